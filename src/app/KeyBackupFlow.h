#pragma once
// KeyBackupFlow: the key backup and repair commands of the main window and
// the small window, without any widget. Making the shares (with the overwrite
// and send questions), sending a share encrypted for the built-in maker key
// and mailed to the maker, the repair request that sends the user's share,
// and the mail the key repair dialog prepares. Every question and message goes
// through the state's IUserDialog.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/MailMessage.h"
#include "keys/KeyBackup.h"

namespace tessarin {

class MainWindowState;

class KeyBackupFlow final {
public:
    // How the backup command ended.
    enum class Outcome {
        Sent,        // the maker's share was handed to the mail program
        SharesMade,  // shares written (or kept), not sent: the send was declined
        Declined,    // a question answered No before anything was written
        Failed,      // a message told why; no share was sent
    };
    enum class ShareKind { Backup, Repair };

    // The key set is the state's own (publicKeyPath, privateKeyPath, owner);
    // the shares live in dataFolder.
    KeyBackupFlow(MainWindowState& state, IMailLauncher& mailLauncher, std::filesystem::path dataFolder);

    // False: the send question is not asked and the shares are only made.
    bool offerSending = true;

    // The backup command.
    Outcome Backup();
    // Repair request from the main window: the user's share is sent as a
    // repair. False when it is missing (message shown), declined or not sent.
    bool RequestRepair();
    // The key repair dialog's Yes: a mail to the maker with keyFragment.vbky
    // (refreshed from the user's share of keySetName when that exists).
    // False with a message when there is no share to attach, or when the mail
    // program did not take the mail.
    bool SendRepairFragment(std::string_view keySetName);

    // Encrypts the share for the built-in maker key (mode 5) into a folder of
    // its own, mails the container and wipes it. True when the mail program
    // took the mail.
    bool SendShare(const std::filesystem::path& share, ShareKind kind);

    // The key set's name (the public key file's stem) and its share paths.
    std::string KeySetName() const;
    SharePaths Paths() const;
    const std::filesystem::path& DataFolder() const { return m_dataFolder; }
    // The last mail handed over (recipients and attachments).
    const MailMessage& LastMail() const { return m_mail; }

private:
    std::optional<BigNumber> UserPointOfKeySet() const;
    bool MakeShares();
    std::string SenderLine() const;

    MainWindowState& m_state;
    MailMessage m_mail;
    std::filesystem::path m_dataFolder;
};

}  // namespace tessarin
