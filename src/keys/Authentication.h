#pragma once
// Public key authentication: makes the auth key <partner>))<me>-auth.vpub for
// a partner's public key (or answers a partner's auth key in kind), records it
// in authhistory.dat of the active key folder and, for the own public key,
// refreshes the registered copies of the self auth key.
//
// The dialogs around it (the limit dialog, the result dialog, the file
// picker, the mail program) are handed in as functions so the flow runs
// without windows.

#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "keys/KeyManager.h"
#include "keys/LimitDates.h"
#include "platform/Host.h"
#include "platform/UserDialog.h"

namespace tessarin {

// The output name for a chosen key file: `<b>))<a>-auth.vpub` for a received
// `<a>))<b>-auth.vpub`, else `<partner>))<me>-auth.vpub` (file names without
// folder and extension). `ownPublicKeyName` is the own public key's file name.
std::string AuthKeyOutputName(std::string_view chosenFileName, std::string_view ownPublicKeyName);

// The auth record an issuer puts into an auth key: the secret of its private
// key file, its name and e-mail (UTF-8, stored as CP932 cut to 20 and 30
// bytes), the time and the limit. Empty when the private key file does not
// hold the auth input.
std::optional<AuthRecord> BuildAuthRecord(std::span<const std::uint8_t> issuerPrivateKeyFile, std::string_view name,
                                          std::string_view email, const SystemTime& now, const SystemTime& limit);

class CPublicKeyAuthenticator final {
public:
    // The limit dialog: returns the choice's result (NoLimit, Set, or
    // PickedInPast / Invalid, which keep the dialog open), or nothing on cancel.
    using LimitDialog = std::function<std::optional<AuthLimit>()>;
    // The result dialog: what the user chose.
    struct CompleteChoice {
        bool mail = false;               // the completion window's mail button (slot::kCompleteMail)
        bool continueWithOther = false;  // its "authenticate another key" box (slot::kCompleteContinue)
    };
    using CompleteDialog =
        std::function<CompleteChoice(const std::filesystem::path& partnerKey, const std::filesystem::path& privateKey,
                                     const std::filesystem::path& authKey)>;
    using FilePicker = std::function<std::optional<std::filesystem::path>()>;
    using Mailer = std::function<void(std::string_view subject, std::string_view body,
                                      const std::vector<std::filesystem::path>& attachments)>;

    CPublicKeyAuthenticator(CKeyManager& keys, IUserDialog& dialog, const IHost& host)
        : m_keys(keys), m_dialog(dialog), m_host(host) {}

    void SetLimitDialog(LimitDialog d) { m_limitDialog = std::move(d); }
    void SetCompleteDialog(CompleteDialog d) { m_completeDialog = std::move(d); }

    // The follow-up of a decryption authenticates the key of a container's
    // sender. Its question names the sender, and it never writes over a file
    // already there under the output name (an auth key the user may rely
    // on): the authentication is refused with the message instead.
    struct SenderFollowUp {
        std::string alreadyAuthenticatedQuestion;
        std::function<std::string(const std::string& authKeyFileName)> outputExistsMessage;
    };
    void SetSenderFollowUp(SenderFollowUp texts) { m_sender = std::move(texts); }

    // Makes the auth key for one key file; returns its path, or an empty path
    // when refused or failed (after the message). With silent no result dialog
    // is shown (used for the self auth key).
    std::filesystem::path authenticate(const std::filesystem::path& publicKey, bool silent);

    // The main window command: picks files and authenticates them until the
    // user stops; mails every auth key made in this command on request.
    // Returns the auth keys made.
    std::vector<std::filesystem::path> AuthenticateCommand(const FilePicker& pick, const Mailer& mail);

    // True when the active key set's public and private key files are complete.
    bool KeySetExists() const;

    const CompleteChoice& LastChoice() const { return m_lastChoice; }

private:
    bool RefreshSelfAuthKeys(const std::filesystem::path& newAuthKey);

    CKeyManager& m_keys;
    IUserDialog& m_dialog;
    const IHost& m_host;
    LimitDialog m_limitDialog;
    CompleteDialog m_completeDialog;
    CompleteChoice m_lastChoice;
    std::optional<SenderFollowUp> m_sender;
};

}  // namespace tessarin
