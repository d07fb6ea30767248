#pragma once
// The container reader: finds the reader's own recipient record in a .tza
// container, checks it (authentication, time limit, record version) and
// recovers the file key and the stored name. It serves decryption,
// forwarding and the history view.
//
// Every check runs on a store that reads (and, for the record write-back and
// the expiry wipe, writes) the container's bytes, so the same reader runs on
// files and, for the fuzz target, on bytes in memory. Records are read one at
// a time: memory never grows with the size of the file or its record count.
//
// A refusal shows exactly one message and leaves the container unchanged,
// except for an expired container, which is wiped (unless the reader only
// looks); the message says whether the wipe succeeded.

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "container/ContainerFormat.h"
#include "platform/SystemTime.h"

namespace tessarin {
class RsaKey;
}

namespace tessarin {

class CStreamCipher;
class IHost;
class IUserDialog;
class LanguageTable;

namespace container {

// Where the reader gets the container's bytes.
class IContainerStore {
public:
    virtual ~IContainerStore() = default;
    virtual std::optional<std::int64_t> Size() = 0;
    [[nodiscard]] virtual bool ReadAt(std::int64_t offset, std::span<std::uint8_t> out) = 0;
    [[nodiscard]] virtual bool WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes) = 0;
    // Closes the container and wipes it.
    [[nodiscard]] virtual bool Wipe() = 0;
};

// A container file, opened for reading and reopened for writing only when a
// write is asked for.
class FileContainerStore final : public IContainerStore {
public:
    explicit FileContainerStore(std::filesystem::path path);
    ~FileContainerStore() override;
    FileContainerStore(const FileContainerStore&) = delete;
    FileContainerStore& operator=(const FileContainerStore&) = delete;

    std::optional<std::int64_t> Size() override;
    bool ReadAt(std::int64_t offset, std::span<std::uint8_t> out) override;
    bool WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes) override;
    bool Wipe() override;
    void Close();
    // The open descriptor (-1 when the file could not be opened or is closed).
    int Fd() const { return m_fd; }

private:
    std::filesystem::path m_path;
    int m_fd = -1;
};

// Bytes in memory (the fuzz target and tests).
class MemoryContainerStore final : public IContainerStore {
public:
    explicit MemoryContainerStore(std::vector<std::uint8_t> bytes) : m_bytes(std::move(bytes)) {}
    std::optional<std::int64_t> Size() override;
    bool ReadAt(std::int64_t offset, std::span<std::uint8_t> out) override;
    bool WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes) override;
    bool Wipe() override;
    const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }
    bool Wiped() const { return m_wiped; }

private:
    std::vector<std::uint8_t> m_bytes;
    bool m_wiped = false;
};

enum class ReadPurpose : int { Decrypt = 0, Forward = 1, HistoryView = 2 };

enum class ReadStatus {
    Ok,
    Broken,            // not a container, or its tail or table does not fit
    NewerVersion,      // version above the limit, a bad fixed field or record version
    OldHistoryFormat,  // flag 4
    KeyFileMissing,
    NotAuthorized,
    PlatformError,  // the RSA service failed
    Spoofing,
    ClockBehind,
    Expired,  // the container was wiped (or kept: see the message shown)
    WriteBackFailed,
};

// The user's own key set as the reader needs it.
struct ReaderKeys {
    std::vector<std::uint8_t> publicKeyFile;   // the whole public key file
    std::vector<std::uint8_t> privateKeyFile;  // the whole private key file
    // The private key as imported once by Load, shared by the reads of a
    // batch (on any thread); empty when it did not import, and each read
    // then imports it and reports why it cannot.
    std::shared_ptr<const RsaKey> privateKey;
    ReaderKeys() = default;
    ReaderKeys(const ReaderKeys&) = default;
    ReaderKeys& operator=(const ReaderKeys&) = default;
    ReaderKeys(ReaderKeys&&) noexcept = default;
    ReaderKeys& operator=(ReaderKeys&&) noexcept = default;
    ~ReaderKeys();
    // Empty when either file cannot be read.
    static std::optional<ReaderKeys> Load(const std::filesystem::path& publicKey,
                                          const std::filesystem::path& privateKey);
};

// The tail's fields as checked.
struct TailInfo {
    Tail bytes{};
    std::int32_t recordCount = 0;    // N
    std::int32_t payloadLength = 0;  // P
    std::uint8_t flags = 0;
    std::int64_t fileLength = 0;
    std::int64_t trailerSize = 0;  // T = 48 + 256·N
    std::int64_t TableOffset() const { return fileLength - trailerSize; }
    bool HasSender() const { return (flags & kFlagSender) != 0; }
    bool HasHistory() const { return (flags & kFlagHistory) != 0; }
};

// Checks the tail and the record table's fit (without showing anything).
// Ok, Broken, NewerVersion or OldHistoryFormat.
ReadStatus CheckTail(IContainerStore& store, TailInfo& info);

// What the reader found in the user's own record.
struct OwnRecord {
    int index = -1;
    std::array<std::uint8_t, kFileKeySize> fileKey{};
    std::array<std::uint8_t, kNameFieldSize> nameField{};
    std::uint32_t version = 0;
    std::array<std::uint8_t, kProtectedSize> protectedPlain{};  // after any update
    SystemTime encryptionTime;
    std::uint32_t limitSeconds = 0;
    SystemTime limitStart;                    // as stored, or now after a first decryption
    std::uint32_t decryptionCount = 0;        // after the increment
    std::uint32_t storedDecryptionCount = 0;  // as the container holds it
    bool firstDecryption = false;
    std::int64_t elapsedSeconds = 0;
    std::uint32_t senderKeyCheck = 0;
    std::array<std::uint8_t, 32> senderKeyDigest{};  // record bytes 200–231
    std::array<std::uint8_t, 32> authValue{};

    ~OwnRecord();
    // The stored name's bytes: the name field up to its first zero.
    std::string StoredNameBytes() const;
};

// Texts shown by the reader are the program's exact messages.
class ContainerReader final {
public:
    // Every message comes from texts, in the language it is filled in.
    ContainerReader(const IHost& host, IUserDialog& dialog, const LanguageTable& texts)
        : m_host(host), m_dialog(dialog), m_texts(texts) {}
    // A reader that only looks: an expired container is reported (Expired,
    // with the record filled in) and left as it is.
    void SetLookOnly(bool lookOnly) { m_lookOnly = lookOnly; }

    // Reads and checks; on Ok the record's decryption count has been raised
    // in memory and, when the container has a time limit, the update waits
    // for WriteBack. Every refusal has shown its message.
    ReadStatus Read(IContainerStore& store, const ReaderKeys& keys, ReadPurpose purpose);
    // Writes the pending record update into the reader's own record (a no-op
    // when the container has no time limit). False after its message.
    [[nodiscard]] bool WriteBack(IContainerStore& store);
    // Restores the record bytes a WriteBack replaced.
    [[nodiscard]] bool UndoWriteBack(IContainerStore& store);

    const TailInfo& Tail() const { return m_tail; }
    const OwnRecord& Record() const { return m_record; }

private:
    ReadStatus Refuse(ReadStatus status, std::string_view text);

    const IHost& m_host;
    IUserDialog& m_dialog;
    const LanguageTable& m_texts;
    bool m_lookOnly = false;
    TailInfo m_tail;
    OwnRecord m_record;
    bool m_pendingWrite = false;
    std::array<std::uint8_t, 20> m_originalBytes{};
    bool m_written = false;
};

// The text-form record lookup, tried before the standard reader. Its
// records carry Crc64 of the modulus as hexadecimal text and a raw RSA block
// decrypted with the program's own big-number arithmetic.
struct TextFormResult {
    enum Kind { NotFound, NotAuthorized, Found } kind = NotFound;
    int index = -1;
    std::array<std::uint8_t, kFileKeySize> fileKey{};
    TailInfo tail;
    ~TextFormResult();
};
TextFormResult TextFormLookup(IContainerStore& store, const ReaderKeys& keys);
// Crc64 of the modulus (public key file offset 24, 128 bytes, least
// significant first) as 256 lower-case hexadecimal digits, most significant
// first. Empty when the file is too short.
std::optional<std::uint64_t> TextFormFingerprint(std::span<const std::uint8_t> publicKeyFile);

// The reader with the main window's state: on success the cipher is keyed
// with the file key (word count 8), the decrypt-mode flag is set, the record
// index remembered and the stored name (CP932 bytes) returned.
struct ReaderState {
    explicit ReaderState(CStreamCipher& c) : cipher(c) {}
    CStreamCipher& cipher;
    bool decryptMode = false;
    int recordIndex = -1;
    std::filesystem::path publicKeyPath;
    std::filesystem::path privateKeyPath;
};
[[nodiscard]] bool ReadContainer(ReaderState& state, const IHost& host, IUserDialog& dialog, const LanguageTable& texts,
                                 const std::filesystem::path& container, std::string& storedName, ReadPurpose purpose,
                                 bool writeBack);

// The fuzz entry: runs the text-form lookup and the reader (with its
// write-back and undo) over bytes in memory, showing nothing. Returns what
// the reader said (NotAuthorized when the text-form lookup refused).
ReadStatus ReadContainerBytesForFuzzing(std::span<const std::uint8_t> bytes, const ReaderKeys& keys, const IHost& host);

}  // namespace container
}  // namespace tessarin
