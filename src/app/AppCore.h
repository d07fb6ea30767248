#pragma once
// AppCore: everything the main window holds, without a window: the settings
// record, the key manager on the active key set, and the pipelines' state
// (work list, recipients, the one cipher and digest). The GUI and the tza
// tool both drive it, through the use cases below and nothing else.
//
// Threading contract:
// - A job (Encrypt, Decrypt, Wipe, Inspect, History, ForwardingAddresses,
//   CreateKeys, Authenticate, RegisterKeys, RestoreKey) runs from start to end
//   on the one thread that called it: a worker thread of the front end, or
//   the main thread of a terminal program. AppCore starts no other threads
//   than the batches' workers below.
// - One job at a time: a job called while another runs (from any thread, the
//   dialog's included) is refused at once with JobStatus::Busy and touches
//   nothing.
// - Every message, question and progress step of a job is a call on the
//   IUserDialog from the job's thread. The dialog implementation may run its
//   windows on another thread (the GUI thread) and block the worker inside
//   Ask/AskContinue until the user has answered; its CancelRequested may be
//   set from any thread.
// - Encrypt and Decrypt run their per-file work on worker threads of their
//   own (settings.batchWorkers: 0 for one per core, 1 for none), started and
//   ended within the job; the workers never call the dialog, and the chunk
//   observer of State().Cipher() is called from the job's thread only.
// - SwitchKeySet, ListKeys, ForwardingCandidates, `settings` and the key
//   manager belong to the owner of AppCore between jobs: not while one runs.

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/KeyBackupFlow.h"
#include "app/MainWindowState.h"
#include "app/SettingsRecord.h"
#include "container/DecryptPipeline.h"
#include "keys/KeyManager.h"
#include "keys/KeySetCreation.h"
#include "keys/LimitDates.h"
#include "qr/PublicKeyQr.h"
#include "qr/QrBitmap.h"

namespace tessarin {

// ---- Use-case values --------------------------------------------------------

enum class JobStatus {
    Done,               // every item done
    ItemsFailed,        // the job ran; some items failed or were refused (see items)
    Busy,               // another job is running: nothing was done
    NoKeySet,           // no active key set
    RecipientNotFound,  // `detail` names the recipient no key answers
    NoRecipient,        // nobody to encrypt for
    NotAContainer,      // the file is not a container (or not a regular file)
    NotAddressed,       // no record of the container opens with the own key
    NoHistory,          // the container carries no history
    HistoryUnreadable,
    OutputFolderMissing,  // the output folder asked for is not a folder
    OwnerMissing,         // a plain public key needs its owner's name and e-mail (`detail`: "name" or "email")
};

// Skipped: left out by the job's own rule (a container inside a folder
// given for encryption) and reported, without failing the job.
enum class ItemOutcome { Done, Failed, Skipped };

struct ItemResult {
    std::filesystem::path item;    // the source, container or key file asked for
    std::filesystem::path output;  // what was written for it, when anything
    ItemOutcome outcome = ItemOutcome::Failed;
};

struct [[nodiscard]] JobResult {
    JobStatus status = JobStatus::Done;
    int succeeded = 0;
    int requested = 0;
    std::vector<ItemResult> items;
    std::string detail;
    bool Ok() const { return status == JobStatus::Done; }
};

enum class RecipientKind { Name, Email, KeyFile, Self };

struct RecipientSpec {
    RecipientKind kind = RecipientKind::Name;
    std::string value;  // the name, the address (any case) or the key file (path or registered file name)
};

// The encryption entry points a front end offers.
enum class EncryptEntry { Command, AddressBook, Options };

struct EncryptRequest {
    std::vector<std::filesystem::path> sources;  // files and folders (a folder gives every file below it)
    std::vector<RecipientSpec> recipients;       // only Self: encrypted for the own key only
    EncryptEntry entry = EncryptEntry::Command;
    EncryptOptions options;
    bool optionsCheckBox = false;  // EncryptEntry::Options: the main window's switch
};

enum class DecryptEntry { Command, Dialog };

struct DecryptRequest {
    std::vector<std::filesystem::path> files;
    DecryptEntry entry = DecryptEntry::Command;
    std::filesystem::path outputFolder;  // empty: beside each container
    bool keepContainerName = false;
    bool removeAfterDecrypt = false;
};

// The options a batch starts from when the user changes nothing: the
// settings' save folder, wiping, mail and default term of validity.
struct PipelineDefaults {
    EncryptOptions encrypt;
    bool removeAfterDecrypt = false;
    bool keepContainerName = false;
};
PipelineDefaults OptionsFromSettings(const SettingsRecord& settings);

// What `tza info` shows: the tail and, when the own key opens one, the own
// record. Read without writing anything.
struct ContainerInfo {
    std::int64_t fileLength = 0;
    int payloadLength = 0;
    int recordCount = 0;
    std::uint8_t flags = 0;
    bool hasTimeLimit = false;
    bool hasSender = false;
    bool hasHistory = false;
    std::array<std::uint8_t, container::kTailSize> tail{};
    enum class Own { NoKeySet, NotAddressed, Found } own = Own::NoKeySet;
    int recordIndex = -1;
    std::string storedName;  // UTF-8, control characters shown as '?'
    std::uint32_t recordVersion = 0;
    SystemTime encryptedAt;
    std::uint32_t limitSeconds = 0;
    bool limitFromFirstDecryption = false;
    std::uint32_t decryptions = 0;
    bool expired = false;
    std::string validityTerm;  // as the history view shows it
};

struct HistoryUser {
    std::string name;  // UTF-8, control characters shown as '?'
    std::string mail;
};
struct HistoryRow {
    std::string date;  // "%d/%d/%d %02d:%02d"
    std::string operation;
    std::string userName;
    std::string mail;
};
struct HistoryView {
    std::vector<HistoryUser> users;
    std::vector<HistoryRow> records;
    std::string validityTerm;
};

// The term of validity line of the history view: "none", counted from the
// first decryption, or the moment the container expires.
std::string FormatValidityTerm(std::uint32_t limitSeconds, bool fromFirstDecryption, const SystemTime& encryptedAt,
                               const SystemTime& limitStart, const LanguageTable& texts);

struct KeyRow {
    std::array<std::string, 6> columns;  // the address book row
    std::filesystem::path file;
    bool auth = false;
};

enum class KeySetOpenStatus { Opened, NoKeyPairIn, SeveralKeyPairs, Incomplete, NoneInSettings };
struct [[nodiscard]] KeySetOpenResult {
    KeySetOpenStatus status = KeySetOpenStatus::NoneInSettings;
    std::string name;
    bool Ok() const { return status == KeySetOpenStatus::Opened; }
};

// The own public key as the QR code view shows it: the symbol of the mobile
// registration link (one pixel per module, a 4-pixel margin) and the desktop
// registration link.
struct QrView {
    std::string mailAddress;
    std::filesystem::path publicKey;
    std::string desktopUrl;
    QrViewBitmap picture;  // width 0 when the text could not be encoded
};

struct QrImport {
    QrImportResult result = QrImportResult::Nothing;
    std::string keyText;  // Complete: the 256 characters collected
    std::string message;  // the refusal's text; empty for Complete
};

enum class QrImportWrite { Written, NameEmpty, NameForbidden, NameTaken, NoKeySet, FileError };
struct [[nodiscard]] QrImportWritten {
    QrImportWrite status = QrImportWrite::FileError;
    std::filesystem::path path;  // Written: the key file made
    std::string message;         // what to show, written or not
};

struct [[nodiscard]] BackupResult {
    JobStatus status = JobStatus::Done;  // Busy or NoKeySet: nothing was asked
    KeyBackupFlow::Outcome outcome = KeyBackupFlow::Outcome::Failed;
    SharePaths shares;  // the key set's share files
    // The shares exist (made now or kept), sent or not.
    bool Ok() const {
        return status == JobStatus::Done &&
               (outcome == KeyBackupFlow::Outcome::Sent || outcome == KeyBackupFlow::Outcome::SharesMade);
    }
};

// The key set in use as `tza whoami` shows it.
struct KeySetView {
    std::string keySetName;  // <name> of <name>.vpub
    std::string ownerName;
    std::string ownerEmail;
    std::filesystem::path folder;
    std::filesystem::path publicKey;
    std::uint64_t fingerprint = 0;  // the CRC-64 fingerprint of the public key
};

// The owner a plain public key is registered under (the add dialog's fields).
struct KeyOwner {
    std::string name;
    std::string email;
};

struct [[nodiscard]] AuthenticateResult {
    JobStatus status = JobStatus::Done;
    std::filesystem::path authKey;  // empty when nothing was made
};

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
    // The small window's last position: kept in the settings and written to
    // Values.dat at once, without the other keys (a language chosen in the
    // window reaches the file only with the next settings write).
    [[nodiscard]] bool SaveSmallWindowPosition(int x, int y);

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
    // With activate false the settings and the key set in use stay as they were.
    KeySetCreationResult CreateKeySet(const std::filesystem::path& keyPairFolder, const KeySetIdentity& identity,
                                      bool activate = true);

    // The decryption's sender follow-up over the key manager: looks senders
    // up by key mark, renews their entries, and authenticates an unknown
    // sender from the public key its container carries.
    std::unique_ptr<container::ISenderFollowUp> MakeSenderFollowUp();

    // The own self auth key in the key folder.
    std::filesystem::path SelfAuthKeyPath() const;

    // ---- Use cases --------------------------------------------------------
    // Each reads the owner and the key paths from the key manager at its
    // start, so an edit of the owner is seen by the next job.

    // Switches to the key set `name` in folder (the folder's only key set
    // when name is empty), or to the one the settings name when folder is empty.
    KeySetOpenResult SwitchKeySet(const std::filesystem::path& folder, const std::string& name);
    JobResult Encrypt(const EncryptRequest& request);
    JobResult Decrypt(const DecryptRequest& request);
    JobResult Wipe(const std::vector<std::filesystem::path>& files);
    // Looks only: never wipes an expired container, never writes a count.
    JobResult Inspect(const std::filesystem::path& container, ContainerInfo& out);
    JobResult History(const std::filesystem::path& container, HistoryView& out);
    // The containers among files that carry a history, and the addresses a
    // chosen one's history holds.
    std::vector<std::filesystem::path> ForwardingCandidates(const std::vector<std::filesystem::path>& files) const;
    JobResult ForwardingAddresses(const std::filesystem::path& container, std::vector<HistoryUser>& out);
    // Key operations.
    JobResult CreateKeys(const std::filesystem::path& keyPairFolder, const KeySetIdentity& identity,
                         KeySetCreationResult& out, bool activate = true);
    AuthenticateResult Authenticate(const std::filesystem::path& publicKey, AuthLimitChoice choice,
                                    std::optional<SystemTime> pickedDay = std::nullopt);
    JobResult RegisterKeys(const std::vector<std::filesystem::path>& keyFiles);
    // Registers key files as the address book's add dialog does: a plain
    // public key under the owner given (refused with OwnerMissing, nothing
    // moved, when name or e-mail is empty), an auth key under the owner its
    // record names; nothing is offered to the service.
    JobResult RegisterKeys(const std::vector<std::filesystem::path>& keyFiles, const KeyOwner& owner);
    // Whether a key file is a plain (not authenticated) public key.
    bool IsPlainPublicKey(const std::filesystem::path& keyFile) const;
    // Whether the key a recipient resolves to (stored in keyFile when given)
    // is authenticated; empty when no key answers it.
    std::optional<bool> RecipientAuthenticated(const RecipientSpec& spec,
                                               std::filesystem::path* keyFile = nullptr) const;
    // The key set in use; empty when there is none.
    std::optional<KeySetView> ActiveKeySet() const;
    // Switches as SwitchKeySet does and, when that worked, makes the settings
    // name the key set and writes them.
    KeySetOpenResult ActivateKeySet(const std::filesystem::path& folder, const std::string& name);
    // The QR code view of the own public key as a job, its picture saved to
    // saveTo when that is not empty.
    JobResult OwnQrJob(QrViewBitmap& out, const std::filesystem::path& saveTo = {});
    std::vector<KeyRow> ListKeys() const;
    // Whether a key file may be chosen as a recipient of the next encryption:
    // an auth key whose record opens with the own private key, or a usable
    // plain public key. Empty when it may, else why not.
    std::string RecipientRefusal(const std::filesystem::path& keyFile) const;
    // The public key of key set `name` in folder (the folder's one own public
    // key when name is empty), or of the key set the settings name when folder
    // is empty; the private key may be missing.
    std::optional<std::filesystem::path> PublicKeyOfKeySet(const std::filesystem::path& folder,
                                                           const std::string& name) const;
    // Rebuilds a private key file from the two backup shares; a refusal is
    // shown through the dialog. `out` is never replaced.
    JobResult RestoreKey(const std::filesystem::path& userShare, const std::filesystem::path& makerShare,
                         const std::filesystem::path& publicKey, const std::filesystem::path& out);

    // ---- Public key QR codes (UI thread, between jobs) ---------------------
    // Empty picture without a key set.
    QrView OwnQrView() const;
    // The view's picture doubled into a 1-bit bitmap file; false when it
    // cannot be written ("ファイルオープンエラー").
    [[nodiscard]] bool SaveQrViewPicture(const QrViewBitmap& picture, const std::filesystem::path& path) const;
    // The own public key's bitmap (65 x 65) for the function chooser, and the
    // name offered when it is saved.
    [[nodiscard]] QrBitmapResult WriteOwnPublicKeyQrBitmap(const std::filesystem::path& bitmap) const;
    std::filesystem::path OwnQrBitmapSaveName() const;
    // Where the function chooser makes that bitmap before it is saved: a
    // working file in the data folder.
    std::filesystem::path QrWorkingBitmapPath() const;
    // A pasted QR text read back.
    QrImport ReadQrImportText(std::string_view text) const;
    // Writes the imported key as <entered name>-authQR.vpub into the key
    // folder; a key file already there is never replaced.
    QrImportWritten WriteQrImportedKey(const QrImport& import, std::string_view enteredName) const;

    // Key backup: the shares of the active key set in the data folder, with
    // the overwrite question and, when offerSending, the offer to mail the
    // maker's share.
    BackupResult BackupKey(bool offerSending = true);
    // The repair request: the user's share sent to the maker as a repair.
    JobResult RequestKeyRepair();
    // The key repair window's Yes: the repair fragment mailed to the maker.
    JobResult SendRepairFragment();

    // What the key repair window says when the mail program does not start:
    // the maker's address and the file to attach.
    std::string RepairHowToText() const;
    // The share files of the active key set (empty paths without one).
    SharePaths OwnSharePaths() const;

    // The service registration window: the refusal of an empty name or
    // address (empty when both are given), and the page that registers the
    // own public key under them.
    std::string CheckRegistrationInput(std::string_view name, std::string_view mailAddress) const;
    std::string RegistrationPageUrl(std::string_view name, std::string_view mailAddress) const;

    // The text of a refusal (Busy, NoKeySet, RecipientNotFound, ...) in the
    // interface language; empty for Done and ItemsFailed.
    std::string RefusalText(const JobResult& result) const;
    std::string KeySetOpenText(const KeySetOpenResult& result, const std::filesystem::path& folder) const;
    bool JobRunning() const { return m_jobRunning.load(); }
    // The batches' workers for this session instead of the setting (not
    // saved); negative: the setting again.
    void SetBatchWorkers(int workers) { m_workersOverride = workers; }
    int BatchWorkers() const { return m_workersOverride >= 0 ? m_workersOverride : settings.batchWorkers; }

private:
    // Holds the one-job flag for a job's duration; false when another job has it.
    class JobGuard {
    public:
        explicit JobGuard(std::atomic<bool>& running) : m_running(running), m_owned(!running.exchange(true)) {}
        ~JobGuard() {
            if (m_owned) m_running.store(false);
        }
        JobGuard(const JobGuard&) = delete;
        JobGuard& operator=(const JobGuard&) = delete;
        explicit operator bool() const { return m_owned; }

    private:
        std::atomic<bool>& m_running;
        bool m_owned;
    };
    // The owner and key paths as the key manager has them now.
    void RefreshDerivedState();
    // Why a job may not start (another job runs, or it needs a key set and
    // there is none); otherwise the derived state is refreshed for it.
    std::optional<JobStatus> BeginJob(const JobGuard& job, bool needsKeySet);
    std::optional<std::filesystem::path> FindRecipient(const RecipientSpec& spec) const;
    JobResult ReadHistory(const std::filesystem::path& container, HistoryView& out, bool forwarding);
    JobResult RegisterKeys(const std::vector<std::filesystem::path>& keyFiles, const std::optional<KeyOwner>& owner);

    std::atomic<bool> m_jobRunning{false};

    const IHost& m_host;
    IUserDialog& m_dialog;
    LanguageTable& m_texts;
    CKeyManager m_keys;
    MainWindowState m_state;
    bool m_keySetReady = false;
    int m_workersOverride = -1;
};

}  // namespace tessarin
