#pragma once
// The non-window logic of the account dialogs: the wizard's login page check,
// the server key hand-over to the key store, and the check-and-register flow
// for the user's own public key. Every request runs through CProgressDiag.

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "net/ProgressDiag.h"
#include "platform/Host.h"
#include "platform/UserDialog.h"

namespace tessarin {

// How the progress runs of these flows are made.
struct ServiceRunSettings {
    // Every message and status line of the flows and their runs.
    const LanguageTable& texts;
    std::chrono::milliseconds tick = CProgressDiag::kTickPeriod;
};

// The wizard's login page accepts a non-empty mail address and a password of
// at least 6 characters.
bool LoginInputAcceptable(const std::string& mailAddress, const std::string& password);

// The login page's Next: checks the input (message and false when refused,
// before any request), then runs the login (operation 21). True when the
// service accepted the account; the wizard then keeps both values.
bool WizardLogin(IUserDialog& ui, IHost& host, const std::string& mailAddress, const std::string& password,
                 const ServiceRunSettings& settings);

// The wizard's key folder page: Finish needs an existing folder; otherwise
// the message is shown and false returned.
bool KeyFolderAcceptable(IUserDialog& ui, const LanguageTable& texts, const std::filesystem::path& folder);

// The service's feature page: "http://" + the service host + "/about/".
std::string FeaturePageUrl(const std::string& serviceBaseUrl);

// The registration dialog's OK: the message for an empty name or address,
// empty when both are given.
std::string RegistrationFieldsProblem(const LanguageTable& texts, const std::string& name,
                                      const std::string& mailAddress);

// The key file paths of a key set named name in folder.
std::filesystem::path ServerKeySetPrivatePath(const std::filesystem::path& folder, const std::string& name);
std::filesystem::path ServerKeySetPublicPath(const std::filesystem::path& folder, const std::string& name);

// The hand-over after the wizard: runs operation 255 to download the key pair
// the service made into privateKeyPath. Status 0: written; 4: the service has
// no key; 5: a public key is registered already; 1, 2, 255: failures whose
// messages the run has shown.
struct ServerKeyResult {
    int dialogResult = 0;
    int status = 0;
};
ServerKeyResult RunServerKeyDownload(IUserDialog& ui, IHost& host, const std::string& mailAddress,
                                     const std::string& password, const std::filesystem::path& privateKeyPath,
                                     const ServiceRunSettings& settings);

// The password prompt of the flow: the typed text, or empty optional when
// the user cancelled.
using PasswordPrompt = std::function<std::optional<std::string>()>;

enum class OwnKeyOutcome {
    PromptCancelled,    // the password prompt was cancelled
    Interrupted,        // the key status run was cancelled
    NetworkError,       // status 1
    ServiceFault,       // status 3
    AlreadyRegistered,  // status 6
    Declined,           // the user answered no to registering
    RegisterRun,        // the registration run took place
};

struct OwnKeyResult {
    OwnKeyOutcome outcome = OwnKeyOutcome::PromptCancelled;
    int attempts = 0;  // key status runs made
    int registerDialogResult = 0;
    int registerStatus = 0;
};

// Checks the key's status with the service (operation 23) and registers it
// (operation 16) when the answer calls for it.
OwnKeyResult RegisterOwnKey(IUserDialog& ui, IHost& host, const std::string& mailAddress,
                            const std::filesystem::path& publicKeyPath, const PasswordPrompt& askPassword,
                            const ServiceRunSettings& settings);

}  // namespace tessarin
