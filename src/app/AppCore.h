#pragma once
// AppCore: everything the main window holds, without a window: the settings
// record, the key manager on the active key set, and the pipelines' state
// (work list, recipients, the one cipher and digest). The GUI and the tza
// tool both drive it.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/MainWindowState.h"
#include "app/SettingsRecord.h"
#include "container/DecryptPipeline.h"
#include "keys/KeyManager.h"
#include "keys/KeySetCreation.h"

namespace tessarin {

class AppCore final {
public:
    AppCore(const IHost& host, IUserDialog& dialog, LanguageTable& texts, IMailLauncher& mailLauncher);
    AppCore(const AppCore&) = delete;
    AppCore& operator=(const AppCore&) = delete;

    SettingsRecord settings;

    CKeyManager& Keys() { return m_keys; }
    MainWindowState& State() { return m_state; }
    IUserDialog& Dialog() { return m_dialog; }
    LanguageTable& Texts() { return m_texts; }
    const IHost& Host() const { return m_host; }

    // Values.dat of the per-user data folder.
    void LoadSettings();
    [[nodiscard]] bool SaveSettings();

    // Makes a key set the active one: the key manager opens its key folder
    // (KeyList_<name> beside the key files), reads its lists and owner, and
    // the pipelines take the key paths and the owner from it. False when the
    // key files are not a complete pair.
    bool UseKeySet(const std::filesystem::path& keyPairFolder, const std::string& publicKeyName,
                   const std::string& privateKeyName);
    // The key set the settings name.
    bool UseKeySetFromSettings();
    bool HasKeySet() const { return m_keySetReady; }

    // Key set creation from the main window with the owner's name and
    // e-mail; the settings then name the new key set and are written.
    KeySetCreationResult CreateKeySet(const std::filesystem::path& keyPairFolder, const KeySetIdentity& identity);

    // The decryption's sender follow-up over the key manager: looks senders
    // up by key mark, renews their entries, and authenticates an unknown
    // sender from the public key its container carries.
    std::unique_ptr<container::ISenderFollowUp> MakeSenderFollowUp();

    // The own self auth key in the key folder.
    std::filesystem::path SelfAuthKeyPath() const;

private:
    const IHost& m_host;
    IUserDialog& m_dialog;
    LanguageTable& m_texts;
    CKeyManager m_keys;
    MainWindowState m_state;
    bool m_keySetReady = false;
};

}  // namespace tessarin
