#pragma once
// EncryptionBatch: one run of the encryption pipeline over a list of sources.
// It reads its inputs (the work list, recipients, options, own key paths and
// identity, held key material, the cipher and digest) from MainWindowState
// and keeps everything that belongs to the one batch to itself: the mode, the
// option value, the limit, the batch's recipients and key material, the
// containers written, the throughput note and the mail hand-over.
//
// Each file's key is a value: the payload step returns it, the record step
// takes it, and the shared cipher is cleared in between, so nothing of a file
// stays in the cipher for another job to disturb.
//
// A file can be stopped in the middle: the dialog's cancel flag is asked
// after each chunk of the payload; the partial container is removed and the
// source left as it was.
//
// With more than one worker (MainWindowState::workers), the payload and the
// records of the files ahead run on worker threads, each with its own cipher
// and digest, into temporary files, while the batch goes through the list in
// order on its own thread: the checks, questions and messages of each file,
// then that file's chunk reports (to the shared cipher's observer and the
// cancel flag), the messages its work left, and the commit. What the batch
// says, asks and leaves is the same as with one worker; only work that a
// later answer makes needless is thrown away.

#include <sys/stat.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/MailMessage.h"
#include "app/MainWindowState.h"
#include "container/ContainerFormat.h"

namespace tessarin {

enum class KeyFileStatus;
class BatchWorkers;
class TempFile;

// Why a batch refuses a file or ends. Each kind has one text.
enum class EncryptRefusal {
    PrivateKeyUnreadable,  // detail: the private key path
    PublicKeyUnreadable,   // detail: the public key path
    AuthKeyMissing,
    NotAuthenticated,
    WrongKey,
    NoAvailablePublicKey,
    RsaFailure,  // detail: the platform's text
    InputCannotOpen,
    OutputCannotOpen,
};

struct Refusal {
    EncryptRefusal kind;
    std::string detail;
};

// The table text of a refusal.
[[nodiscard]] std::string RefusalText(const LanguageTable& texts, const Refusal& refusal);
// The refusal for an auth key file that could not be read.
[[nodiscard]] EncryptRefusal AuthKeyRefusal(KeyFileStatus status);

// One file's key, handed from the payload step to the record step: the key
// bytes and the keystream that runs on after the payload, which enciphers the
// sender record.
struct FileKey {
    std::array<std::uint8_t, container::kFileKeySize> key{};
    std::array<std::uint8_t, container::kSenderRecordSize> senderKeystream{};
    std::int64_t payloadLength = -1;  // the bytes the payload step wrote
    FileKey() = default;
    FileKey(const FileKey&) = delete;
    FileKey& operator=(const FileKey&) = delete;
    ~FileKey();
};

// The payload step's outcome.
enum class PayloadStatus { Written, Refused, Stopped };

class EncryptionBatch final {
public:
    EncryptionBatch(MainWindowState& inputs, EncryptMode mode);
    ~EncryptionBatch();
    EncryptionBatch(const EncryptionBatch&) = delete;
    EncryptionBatch& operator=(const EncryptionBatch&) = delete;

    // Runs the batch over the inputs' files; returns the number of files
    // that succeeded: their container written and, when wiping was asked for
    // and confirmed, their source wiped.
    [[nodiscard]] int Run();

    // Folder encryption: the folder's files (the 1000-file question,
    // read-only and in-use files), for a batch in mode 6. Empty when the
    // user declined or nothing is left.
    [[nodiscard]] static std::vector<std::filesystem::path> CollectFolder(MainWindowState& inputs,
                                                                          const std::filesystem::path& folder);

    // Where a file's steps run: the cipher and digest they use, the dialog
    // their messages go to, and the stop check of the payload.
    struct StepContext {
        CStreamCipher& cipher;
        CSHA& sha;
        IUserDialog& say;
        CStreamCipher::StopCheck stop;
    };
    // The core step: derives the file key and writes the payload of source
    // (read from sourceFd when it is open) into the container's stream. On
    // Written, key holds the file's key and throughput the note; the cipher
    // is cleared either way.
    [[nodiscard]] PayloadStatus EncryptOneFile(const StepContext& ctx, const std::filesystem::path& source,
                                               int sourceFd, TempFile& container, FileKey& key,
                                               std::string& throughput);
    // Appends the records and the tail (or hands them to the history).
    [[nodiscard]] bool WriteRecipients(const StepContext& ctx, TempFile& container, const std::string& sourceName,
                                       const FileKey& key);

    const std::vector<std::filesystem::path>& WrittenContainers() const { return m_written; }
    // The throughput note of the last payload ("%6.6f ms, %d bytes, %f MBit/Sec").
    const std::string& ThroughputNote() const { return m_throughput; }
    const MailMessage& Mail() const { return m_mail; }

private:
    struct Keys;
    struct Front;
    struct Ahead;
    struct Lookahead;

    // Steps of Run; false when the batch ends before its first file.
    bool ComputeOptionValue();
    bool ChooseRecipients();
    // Key material read once per batch.
    [[nodiscard]] std::optional<Refusal> LoadOwnPrivateKey();
    [[nodiscard]] std::optional<Refusal> PrepareKeys();
    void Refuse(const Refusal& refusal);
    void ShowError(int slotNumber);
    std::uint8_t FlagsNow() const { return container::FlagsFromOptionValue(m_v); }
    // Wipes the sources and mails the containers; returns the failed wipes.
    struct Written {
        std::filesystem::path source;
        bool durable = false;  // the container is on the disk under its name
    };
    long long FinishBatch(const std::vector<Written>& sources);

    // What a file's checks find, read without a word to the user.
    // status: the source as the list found it (lstat), null when missing.
    [[nodiscard]] Front Examine(const std::filesystem::path& source, const std::filesystem::path& outputFolder,
                                const struct stat* status);
    const std::filesystem::path& ResolvedFolder(const std::filesystem::path& folder);
    // The key material read before any worker starts; false (nothing shown)
    // when it cannot be, and the batch then runs on its own thread only,
    // saying so where one worker would.
    bool KeysReadyForWorkers();
    // The history question is still to come for the first file written.
    bool HistoryQuestionPending() const;
    // Starts the work of the files ahead of `next` that need no answer.
    void StartAhead(Lookahead& ahead, std::size_t next, const std::vector<std::filesystem::path>& list,
                    const std::vector<std::optional<struct stat>>& status, const std::filesystem::path& outputFolder,
                    const std::set<std::filesystem::path>& writtenHere, bool overwriteAll);
    std::unique_ptr<Ahead> StartWork(std::size_t index, const std::filesystem::path& source, Front&& front);

    MainWindowState& m_in;
    IUserDialog& m_dialog;
    const LanguageTable& m_texts;
    const EncryptMode m_mode;

    int m_v = 0;
    bool m_historyManaged = false;
    bool m_ownKeyIncluded = false;
    std::uint32_t m_limitSeconds = 0;
    bool m_limitFromFirstDecryption = false;
    std::vector<std::filesystem::path> m_recipients;
    std::unique_ptr<Keys> m_keys;
    bool m_fatal = false;  // a key problem that ends the batch
    std::string m_throughput;
    std::vector<std::filesystem::path> m_written;
    MailMessage m_mail;
    unsigned m_createMode = 0644;  // a new container's permission bits (0666 less the umask)
    std::map<std::filesystem::path, std::filesystem::path> m_resolvedFolders;
    std::unique_ptr<BatchWorkers> m_workers;
};

}  // namespace tessarin
