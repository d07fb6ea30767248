#pragma once
// MainWindowState: what the main window holds for the pipelines, without any
// widget: the settings values they read, the file and folder arrays, the key
// paths, the one long-lived CStreamCipher and CSHA, the host and the user
// dialog. It holds inputs only: an encryption batch (EncryptionBatch) keeps
// its own state and is built and run by EncryptFiles and EncryptFolder.

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

// Encryption entry points (the numbers are the product's mode numbers).
enum class EncryptMode : int {
    Command = 0,      // encrypt commands, the small window, start-up
    Self = 1,         // to the user's own key
    AddressBook = 2,  // the address book and the service client
    Options = 3,      // command 151 after the encryption options dialog
    Backup = 5,       // key backup, to the built-in maker key
    Folder = 6,       // the automatic folder, key material held in memory
};
inline constexpr EncryptMode kModeCommand = EncryptMode::Command;
inline constexpr EncryptMode kModeSelf = EncryptMode::Self;
inline constexpr EncryptMode kModeAddressBook = EncryptMode::AddressBook;
inline constexpr EncryptMode kModeOptions = EncryptMode::Options;
inline constexpr EncryptMode kModeBackup = EncryptMode::Backup;
inline constexpr EncryptMode kModeFolder = EncryptMode::Folder;

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
    bool optionsCheckBox = false;        // the main window's detail settings switch (mode 3)
    bool noticeInsteadOfRepeat = false;  // in-use files: notice dialog and drop
    // The 32-byte value at the start of the machine-digest block.
    std::array<std::uint8_t, 32> machineValue{};
    // The built-in maker public key file used by key backup (mode 5).
    std::vector<std::uint8_t> makerPublicKeyFile;
    // Brings the output folder to the disk after a container is renamed
    // into it and before its source may be wiped (replaceable in tests).
    std::function<bool(const std::filesystem::path&)> syncFolder = SyncFolderToDisk;
    // Worker threads of a batch: 0 for one per core, 1 for none (every file
    // on the job's own thread).
    int workers = 0;

    LanguageTable& Texts() { return m_texts; }
    IUserDialog& Dialog() { return m_dialog; }
    const IHost& Host() const { return m_host; }
    CStreamCipher& Cipher() { return m_cipher; }
    CSHA& Sha() { return m_sha; }

    // Loads the mode-6 key material from the own key files. False with the
    // message shown when a file is missing or broken.
    bool LoadHeldKeyMaterial();
    const HeldKeyMaterial& HeldKeys() const { return m_held; }

    IMailLauncher& MailLauncher() { return m_mailLauncher; }

    // ---- The encryption pipeline -----------------------------------------
    // Builds and runs a batch over `files` (see EncryptionBatch); returns the
    // number of files that succeeded: their container written and, when
    // wiping was asked for and confirmed, their source wiped.
    // WrittenContainers() then lists every container the batch wrote.
    int EncryptFiles(EncryptMode mode);
    // Folder encryption: collects the folder's files (the 1000-file question,
    // read-only and in-use files) into `files` and encrypts them in mode 6.
    int EncryptFolder(const std::filesystem::path& folder);

    // What the last batch left: its throughput note ("%6.6f ms, %d bytes,
    // %f MBit/Sec") and the containers it wrote.
    const std::string& LastThroughputNote() const { return m_lastThroughput; }
    const std::vector<std::filesystem::path>& WrittenContainers() const { return m_lastWritten; }

private:
    const IHost& m_host;
    IUserDialog& m_dialog;
    LanguageTable& m_texts;
    IMailLauncher& m_mailLauncher;
    CStreamCipher m_cipher;
    CSHA m_sha;
    HeldKeyMaterial m_held;

    std::string m_lastThroughput;
    std::vector<std::filesystem::path> m_lastWritten;
};

}  // namespace tessarin
