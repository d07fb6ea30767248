#pragma once
// MainWindowState: what the main window holds for the pipelines, without any
// widget: the settings values they read, the file and folder arrays, the key
// paths, the one long-lived CStreamCipher and CSHA, the host and the user
// dialog. The encryption pipeline (EncryptFiles, EncryptOneFile,
// WriteRecipients) runs on it.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/MailMessage.h"
#include "app/TimeLimit.h"
#include "container/ContainerFormat.h"
#include "core/LanguageTable.h"
#include "core/Sha512.h"
#include "core/StreamCipher.h"

namespace tessarin {

class IHost;
class IUserDialog;

// Encryption entry points.
enum EncryptMode : int {
    kModeCommand = 0,      // encrypt commands, the small window, start-up
    kModeSelf = 1,         // to the user's own key
    kModeAddressBook = 2,  // the address book and the service client
    kModeOptions = 3,      // command 151 after the encryption options dialog
    kModeBackup = 5,       // key backup, to the built-in maker key
    kModeFolder = 6,       // the automatic folder, key material held in memory
};

// The batch options as the entry point's dialog leaves them.
struct EncryptOptions {
    // The limit of the dialog that applies to the mode: the encrypt file
    // dialog (0, 1), the main window's setting (2), the options dialog (3,
    // counted only when its limit box is checked).
    TimeLimitInput timeLimit;
    bool optionsLimitChecked = false;    // mode 3: the options dialog's limit box
    bool manageLogs = false;             // "Manage Logs"
    bool withoutMyAddress = false;       // "Without Adding My address."
    bool deleteSource = false;           // "The Encryption file is completely deleted."
    bool sendByMail = false;             // "Send encrypted files by e-mail." / TZASnedMailCheck
    std::string mailRecipient;           // the To address supplied with send-by-mail
    std::filesystem::path outputFolder;  // empty: the source's folder
};

// Key material the main window loads at start for folder encryption (mode 6):
// the own public key file, the self auth value, the private-key digest and
// part 3 of the file key text.
struct HeldKeyMaterial {
    std::vector<std::uint8_t> publicKeyFile;
    std::array<std::uint8_t, 32> authValue{};
    std::array<std::uint8_t, 32> privateKeyDigest{};
    std::string keyText;
    bool loaded = false;
};

// Brings a folder's entries (a rename into it) to the disk.
[[nodiscard]] bool SyncFolderToDisk(const std::filesystem::path& folder);

class MainWindowState final {
public:
    MainWindowState(const IHost& host, IUserDialog& dialog, LanguageTable& texts, IMailLauncher& mailLauncher);
    ~MainWindowState();
    MainWindowState(const MainWindowState&) = delete;
    MainWindowState& operator=(const MainWindowState&) = delete;

    // ---- What the main window holds -------------------------------------
    // The work list expanded: files and folders.
    std::vector<std::filesystem::path> files;
    std::vector<std::filesystem::path> folders;
    // Recipients of the next encryption: auth key files ("-auth.vpub") or
    // plain public key files (".vpub").
    std::vector<std::filesystem::path> recipients;
    // The own key set.
    std::filesystem::path publicKeyPath;
    std::filesystem::path privateKeyPath;
    std::filesystem::path selfAuthKeyPath;
    // The own name and mail address (UTF-8), for the sender record and the
    // history's user table.
    std::string userName;
    std::string mailAddress;
    // Settings values the pipelines read.
    EncryptOptions options;
    bool optionsCheckBox = false;        // the main window's "詳細設定" switch (mode 3)
    bool noticeInsteadOfRepeat = false;  // in-use files: notice dialog and drop
    // The 32-byte value at the start of the machine-digest block.
    std::array<std::uint8_t, 32> machineValue{};
    // The built-in maker public key file used by key backup (mode 5).
    std::vector<std::uint8_t> makerPublicKeyFile;
    // Brings the output folder to the disk after a container is renamed
    // into it and before its source may be wiped (replaceable in tests).
    std::function<bool(const std::filesystem::path&)> syncFolder = SyncFolderToDisk;

    LanguageTable& Texts() { return m_texts; }
    IUserDialog& Dialog() { return m_dialog; }
    const IHost& Host() const { return m_host; }
    CStreamCipher& Cipher() { return m_cipher; }
    CSHA& Sha() { return m_sha; }

    // Loads the mode-6 key material from the own key files. False with the
    // message shown when a file is missing or broken.
    bool LoadHeldKeyMaterial();
    const HeldKeyMaterial& HeldKeys() const { return m_held; }

    // ---- The encryption pipeline -----------------------------------------
    // Runs a batch over `files`; returns the number of files that succeeded:
    // their container written and, when wiping was asked for and confirmed,
    // their source wiped. WrittenContainers() lists every container written.
    int EncryptFiles(int mode);
    // Folder encryption: collects the folder's files (the 1000-file question,
    // read-only and in-use files) and encrypts them in mode 6.
    int EncryptFolder(const std::filesystem::path& folder);
    // Derives the file key and writes the payload of source into
    // destination. useHeldKeys takes part 3 of the key text from memory.
    bool EncryptOneFile(const std::filesystem::path& source, const std::filesystem::path& destination,
                        bool useHeldKeys);
    // Appends the records and the tail (or hands them to the history).
    bool WriteRecipients(const std::filesystem::path& container, const std::string& sourceName, int mode);

    // The throughput note of the last payload ("%6.6f ms, %d bytes, %f MBit/Sec").
    const std::string& LastThroughputNote() const { return m_throughput; }
    // Containers written by the last batch.
    const std::vector<std::filesystem::path>& WrittenContainers() const { return m_written; }
    // The mail hand-over of the last batch.
    const MailMessage& LastMail() const { return m_mail; }

private:
    struct RecipientKey;
    struct BatchKeys;

    bool PrepareBatchKeys();   // first record step of a batch
    bool LoadOwnPrivateKey();  // once per batch
    std::uint8_t FlagsNow() const { return container::FlagsFromOptionValue(m_v); }
    void ShowError(int slotNumber);
    void ShowError(const std::string& text);
    void ResetBatch();

    const IHost& m_host;
    IUserDialog& m_dialog;
    LanguageTable& m_texts;
    CStreamCipher m_cipher;
    CSHA m_sha;
    MailMessage m_mail;
    HeldKeyMaterial m_held;

    // Per batch.
    int m_mode = 0;
    int m_v = 0;
    bool m_historyManaged = false;
    bool m_ownKeyIncluded = false;
    std::uint32_t m_limitSeconds = 0;
    bool m_limitFromFirstDecryption = false;
    std::vector<std::filesystem::path> m_batchRecipients;
    std::unique_ptr<BatchKeys> m_keys;
    std::string m_throughput;
    std::vector<std::filesystem::path> m_written;
};

}  // namespace tessarin
