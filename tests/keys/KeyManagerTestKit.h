#pragma once
// A user with a key pair folder, a fixed clock, a scripted dialog and a key
// manager, for the key manager and authentication tests.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "FilledTexts.h"
#include "Fixtures.h"
#include "ScriptedUserDialog.h"
#include "app/MailMessage.h"
#include "keys/Authentication.h"
#include "keys/KeyManager.h"
#include "keys/KeySetCreation.h"
#include "platform/Host.h"

namespace tessarin::test {

struct TestUser {
    explicit TestUser(std::filesystem::path root);

    // A key set from the CryptoAPI fixtures (north, south): the two key files
    // copied into the key pair folder, then key folder, personalinfo.dat and
    // self auth key as key set creation makes them.
    KeySetCreationResult AdoptFixtureKeySet(const std::string& fixtureName, const std::string& ownerName,
                                            const std::string& email);
    // A freshly generated key set from the main window flow.
    KeySetCreationResult CreateKeySet(const std::string& ownerName, const std::string& email);

    // Authenticates a key file with the given limit choice (no dialog for the
    // own key); returns the auth key path.
    std::filesystem::path Authenticate(const std::filesystem::path& key,
                                       AuthLimitChoice choice = AuthLimitChoice::None);

    std::filesystem::path root;  // key pair folder
    FixedHost host;
    ScriptedUserDialog dialog;
    CKeyManager keys{dialog, host, JapaneseTexts()};
};

// A mail program that is never started.
class NoMail final : public IMailLauncher {
public:
    bool Run(const std::vector<std::string>&) override { return true; }
};

// A Unix time for a local calendar time.
std::time_t LocalTimeT(int year, int month, int day, int hour = 12, int minute = 0, int second = 0);

void CopyFile(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace tessarin::test
