#include "container/ContainerReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "container/WipeFile.h"
#include "core/BigNumber.h"
#include "core/Crc64.h"
#include "core/LanguageTable.h"
#include "core/StreamCipher.h"
#include "platform/ByteIo.h"
#include "platform/Host.h"
#include "platform/UserDialog.h"
#include "platform/crypto/RsaService.h"

namespace tessarin::container {

namespace {

constexpr std::size_t kPublicModulusOffset = 24;
constexpr std::size_t kPrivateExponentOffset = 472;
constexpr std::size_t kModulusSize = 128;
constexpr std::uint32_t kRecordVersion2003 = 0x2003;

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    in.seekg(0, std::ios::end);
    const auto size = in.tellg();
    // Key files are small; anything large is not one.
    if (size < 0 || size > 64 * 1024) return std::nullopt;
    in.seekg(0);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) return std::nullopt;
    return bytes;
}

// The first length-prefixed blob of a key file, when the length fits.
std::optional<std::span<const std::uint8_t>> FirstBlob(std::span<const std::uint8_t> file) {
    if (file.size() < 4) return std::nullopt;
    const std::uint64_t length = LoadLe32(file.data());
    if (length == 0 || length > file.size() - 4) return std::nullopt;
    return file.subspan(4, static_cast<std::size_t>(length));
}

std::int64_t TimeDifferenceSeconds(std::time_t later, std::time_t earlier) {
    return static_cast<std::int64_t>(later) - static_cast<std::int64_t>(earlier);
}

}  // namespace

// ---------------------------------------------------------------------------
// Stores

FileContainerStore::FileContainerStore(std::filesystem::path path) : m_path(std::move(path)) {
    // Without blocking: a FIFO or a device is refused by Size(), never waited on.
    m_fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
}

FileContainerStore::~FileContainerStore() {
    Close();
}

void FileContainerStore::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

std::optional<std::int64_t> FileContainerStore::Size() {
    if (m_fd < 0) return std::nullopt;
    struct stat st {};
    if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return static_cast<std::int64_t>(st.st_size);
}

bool FileContainerStore::ReadAt(std::int64_t offset, std::span<std::uint8_t> out) {
    if (m_fd < 0 || offset < 0) return false;
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n =
            ::pread(m_fd, out.data() + done, out.size() - done, static_cast<off_t>(offset) + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool FileContainerStore::WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes) {
    if (offset < 0) return false;
    const int fd = ::open(m_path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    std::size_t done = 0;
    bool ok = true;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                   static_cast<off_t>(offset) + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (ok && ::fsync(fd) != 0) ok = false;
    if (::close(fd) != 0) ok = false;
    return ok;
}

bool FileContainerStore::Wipe() {
    Close();
    return WipeFile(m_path);
}

std::optional<std::int64_t> MemoryContainerStore::Size() {
    if (m_wiped) return std::nullopt;
    return static_cast<std::int64_t>(m_bytes.size());
}

bool MemoryContainerStore::ReadAt(std::int64_t offset, std::span<std::uint8_t> out) {
    if (m_wiped || offset < 0 || static_cast<std::uint64_t>(offset) > m_bytes.size() ||
        out.size() > m_bytes.size() - static_cast<std::size_t>(offset))
        return false;
    std::memcpy(out.data(), m_bytes.data() + offset, out.size());
    return true;
}

bool MemoryContainerStore::WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes) {
    if (m_wiped || offset < 0 || static_cast<std::uint64_t>(offset) > m_bytes.size() ||
        bytes.size() > m_bytes.size() - static_cast<std::size_t>(offset))
        return false;
    std::memcpy(m_bytes.data() + offset, bytes.data(), bytes.size());
    return true;
}

bool MemoryContainerStore::Wipe() {
    std::fill(m_bytes.begin(), m_bytes.end(), std::uint8_t{0});
    m_bytes.clear();
    m_wiped = true;
    return true;
}

// ---------------------------------------------------------------------------
// Keys

ReaderKeys::~ReaderKeys() {
    SecureWipe(privateKeyFile);
}

std::optional<ReaderKeys> ReaderKeys::Load(const std::filesystem::path& publicKey,
                                           const std::filesystem::path& privateKey) {
    auto pub = ReadWholeFile(publicKey);
    auto pri = ReadWholeFile(privateKey);
    if (!pub || !pri) {
        if (pri) SecureWipe(*pri);
        return std::nullopt;
    }
    ReaderKeys keys;
    keys.publicKeyFile = std::move(*pub);
    keys.privateKeyFile = std::move(*pri);
    if (const auto blob = FirstBlob(keys.privateKeyFile)) {
        if (auto imported = RsaKey::Import(*blob))
            keys.privateKey = std::make_shared<const RsaKey>(std::move(*imported));
    }
    return keys;
}

OwnRecord::~OwnRecord() {
    SecureWipe(fileKey);
    SecureWipe(protectedPlain);
}

std::string OwnRecord::StoredNameBytes() const {
    std::size_t n = 0;
    while (n < nameField.size() && nameField[n] != 0) ++n;
    return std::string(reinterpret_cast<const char*>(nameField.data()), n);
}

TextFormResult::~TextFormResult() {
    SecureWipe(fileKey);
}

// ---------------------------------------------------------------------------
// Tail

ReadStatus CheckTail(IContainerStore& store, TailInfo& info) {
    info = TailInfo{};
    const auto size = store.Size();
    if (!size || *size < static_cast<std::int64_t>(kMinContainerSize)) return ReadStatus::Broken;
    info.fileLength = *size;
    if (!store.ReadAt(*size - static_cast<std::int64_t>(kTailSize), info.bytes)) return ReadStatus::Broken;
    const auto& t = info.bytes;
    if (std::memcmp(t.data(), kMagic.data(), kMagic.size()) != 0) return ReadStatus::Broken;
    const std::uint32_t version = (static_cast<std::uint32_t>(t[24]) << 24) |
                                  (static_cast<std::uint32_t>(t[25]) << 16) | (static_cast<std::uint32_t>(t[26]) << 8) |
                                  t[27];
    if (version > kNewestVersion || LoadLe16(t.data() + 32) != 0 || LoadLe16(t.data() + 34) != 1 ||
        LoadLe32(t.data() + 36) != 0)
        return ReadStatus::NewerVersion;
    info.flags = t[27];
    if ((info.flags & 4) != 0) return ReadStatus::OldHistoryFormat;

    info.recordCount = LoadLeI32(t.data() + 4);
    info.payloadLength = LoadLeI32(t.data() + 16);
    if (info.recordCount < 1) return ReadStatus::Broken;
    const std::int64_t table = static_cast<std::int64_t>(info.recordCount) * static_cast<std::int64_t>(kRecordSize);
    if (table > *size - static_cast<std::int64_t>(kTailSize)) return ReadStatus::Broken;
    info.trailerSize = static_cast<std::int64_t>(kTailSize) + table;
    // The payload (and the sender block behind it) fills everything in front
    // of the table (a history block lies inside the table's span): P must
    // account for every byte of it, or the output would be cut or padded.
    const std::int64_t room = *size - info.trailerSize;
    if (info.payloadLength < 0) return ReadStatus::Broken;
    std::int64_t used = info.payloadLength;
    if (info.HasSender()) {
        // The sender record, then the sender's key file: its length L, then L bytes.
        const std::int64_t lengthAt = used + static_cast<std::int64_t>(kSenderRecordSize);
        std::array<std::uint8_t, 4> keyLength{};
        if (lengthAt + static_cast<std::int64_t>(keyLength.size()) > room || !store.ReadAt(lengthAt, keyLength))
            return ReadStatus::Broken;
        used = lengthAt + static_cast<std::int64_t>(keyLength.size()) + LoadLe32(keyLength.data());
    }
    if (used != room) return ReadStatus::Broken;
    return ReadStatus::Ok;
}

// ---------------------------------------------------------------------------
// The reader

ReadStatus ContainerReader::Refuse(ReadStatus status, std::string_view message) {
    m_dialog.ShowMessage(message, MessageKind::Warning);
    return status;
}

ReadStatus ContainerReader::Read(IContainerStore& store, const ReaderKeys& keys, ReadPurpose purpose) {
    m_record = OwnRecord{};
    m_pendingWrite = false;
    m_written = false;

    switch (CheckTail(store, m_tail)) {
        case ReadStatus::Ok:
            break;
        case ReadStatus::NewerVersion:
            return Refuse(ReadStatus::NewerVersion, m_texts[slot::kNewerVersion]);
        case ReadStatus::OldHistoryFormat:
            return Refuse(ReadStatus::OldHistoryFormat, m_texts[slot::kOldHistoryFormat]);
        default:
            return Refuse(ReadStatus::Broken, m_texts[slot::kNotTzaOrBroken]);
    }

    // The user's own keys.
    const auto publicBlob = FirstBlob(keys.publicKeyFile);
    const auto privateBlob = FirstBlob(keys.privateKeyFile);
    auto digest = PrivateKeyDigest(keys.privateKeyFile);
    if (!publicBlob || !privateBlob || !digest)
        return Refuse(ReadStatus::KeyFileMissing, m_texts[slot::kDecryptKeyFileNotFound]);
    const auto fingerprint = Crc64Bytes(Crc64(*publicBlob));

    std::optional<RsaKey> ownImport;
    const RsaKey* key = keys.privateKey.get();
    container::Record record{};
    std::vector<std::uint8_t> plain;
    const std::int64_t tableOffset = m_tail.TableOffset();
    for (std::int32_t i = 0; i < m_tail.recordCount; ++i) {
        if (!store.ReadAt(tableOffset + static_cast<std::int64_t>(i) * static_cast<std::int64_t>(kRecordSize), record))
            return Refuse(ReadStatus::Broken, m_texts[slot::kNotTzaOrBroken]);
        if (std::memcmp(record.data() + kRecFingerprint, fingerprint.data(), 8) != 0) continue;
        if (!key) {
            auto imported = RsaKey::Import(*privateBlob);
            if (!imported) return Refuse(ReadStatus::PlatformError, m_texts[slot::kCryptApiError] + imported.Error());
            key = &ownImport.emplace(std::move(*imported));
        }
        auto decrypted = key->Decrypt(std::span<const std::uint8_t>(record.data() + kRecRsa, 128));
        if (!decrypted) return Refuse(ReadStatus::PlatformError, m_texts[slot::kCryptApiError] + decrypted.Error());
        std::array<std::uint8_t, 8> check{};
        std::memcpy(check.data(), record.data() + kRecCheck, 8);
        if (decrypted->size() == kRsaPlainSize && Crc64Bytes(Crc64(*decrypted)) == check) {
            plain = std::move(*decrypted);
            m_record.index = i;
            break;
        }
        SecureWipe(*decrypted);
    }
    if (m_record.index < 0) {
        switch (purpose) {
            case ReadPurpose::Forward:
                return Refuse(ReadStatus::NotAuthorized, m_texts[slot::kNotAuthorizedForward]);
            case ReadPurpose::HistoryView:
                return Refuse(ReadStatus::NotAuthorized, m_texts[slot::kNotAuthorizedHistory]);
            default:
                return Refuse(ReadStatus::NotAuthorized, m_texts[slot::kNotAuthorized]);
        }
    }

    // The RSA plaintext occupies record offsets 16–127.
    std::memcpy(m_record.fileKey.data(), plain.data(), kFileKeySize);
    std::memcpy(m_record.nameField.data(), plain.data() + kFileKeySize, kNameFieldSize);
    m_record.version = LoadLe32(plain.data() + kFileKeySize + kNameFieldSize);
    SecureWipe(plain);
    m_record.protectedPlain = CryptProtectedBlock(
        std::span<const std::uint8_t, kProtectedSize>(record.data() + kRecProtected, kProtectedSize), m_record.fileKey);
    const auto& p = m_record.protectedPlain;
    std::memcpy(m_record.authValue.data(), p.data() + kProtAuth, 32);
    std::memcpy(m_record.senderKeyDigest.data(), p.data() + kProtKeyDigest, 32);
    m_record.encryptionTime = SystemTime::FromBytes(p.data() + kProtTime);
    m_record.limitSeconds = LoadLe32(p.data() + kProtLimit);
    m_record.limitStart = SystemTime::FromBytes(p.data() + kProtLimitStart);
    m_record.decryptionCount = LoadLe32(p.data() + kProtCount);
    m_record.storedDecryptionCount = m_record.decryptionCount;
    m_record.senderKeyCheck = LoadLe32(p.data() + kProtSenderCheck);

    // Authentication: the record must carry the reader's own private-key
    // digest, or be a sender-attached container without an authentication value.
    const bool authMatches = m_record.authValue == *digest;
    const bool senderDigestMatches = m_record.senderKeyDigest == *digest;
    const bool zeroAuth =
        std::all_of(m_record.authValue.begin(), m_record.authValue.end(), [](std::uint8_t b) { return b == 0; });
    SecureWipe(*digest);
    if (!authMatches && !senderDigestMatches && !(m_tail.HasSender() && zeroAuth))
        return Refuse(ReadStatus::Spoofing, m_texts[slot::kSpoofing]);

    // Time.
    const SystemTime now = m_host.LocalTime();
    const SystemTime& encrypted = m_record.encryptionTime;
    SystemTime base = encrypted;
    if (m_record.limitStart.year != 0) {
        if (m_record.limitStart == encrypted) {
            m_record.firstDecryption = true;
        } else {
            base = m_record.limitStart;
        }
    }
    const auto nowT = SystemTimeToTimeT(now);
    const auto baseT = SystemTimeToTimeT(base);
    const bool limited = m_record.limitSeconds != 0;
    if (limited && (!nowT || !baseT)) return Refuse(ReadStatus::Broken, m_texts[slot::kNotTzaOrBroken]);
    m_record.elapsedSeconds = nowT && baseT ? TimeDifferenceSeconds(*nowT, *baseT) : 0;
    if (limited && m_record.elapsedSeconds / 60 < 0) return Refuse(ReadStatus::ClockBehind, m_texts[slot::kCheckClock]);

    if (m_record.version != kRecordVersion && m_record.version != kRecordVersion2003)
        return Refuse(ReadStatus::NewerVersion, m_texts[slot::kNewerVersion]);

    if (!m_record.firstDecryption && limited &&
        m_record.elapsedSeconds >= static_cast<std::int64_t>(m_record.limitSeconds)) {
        if (m_lookOnly) {
            m_dialog.ShowMessage(m_texts[slot::kExpiredKept], MessageKind::Warning);
        } else if (store.Wipe()) {
            m_dialog.ShowMessage(m_texts[slot::kOverEffectiveTime], MessageKind::Warning);
        } else {
            m_dialog.ShowMessage(m_texts[slot::kExpiredNotErased], MessageKind::Error);
        }
        return ReadStatus::Expired;
    }

    // The count and, at the first decryption, the limit start.
    ++m_record.decryptionCount;
    auto& q = m_record.protectedPlain;
    StoreLe32(q.data() + kProtCount, m_record.decryptionCount);
    if (m_record.firstDecryption) {
        m_record.limitStart = now;
        const auto bytes = now.ToBytes();
        std::memcpy(q.data() + kProtLimitStart, bytes.data(), bytes.size());
    }
    m_pendingWrite = limited;
    std::memcpy(m_originalBytes.data(), record.data() + kRecProtected + kProtLimitStart, m_originalBytes.size());
    return ReadStatus::Ok;
}

bool ContainerReader::WriteBack(IContainerStore& store) {
    if (!m_pendingWrite) return true;
    const auto encrypted = CryptProtectedBlock(m_record.protectedPlain, m_record.fileKey);
    const std::int64_t recordOffset =
        m_tail.TableOffset() + static_cast<std::int64_t>(m_record.index) * static_cast<std::int64_t>(kRecordSize);
    const std::int64_t startOffset = recordOffset + static_cast<std::int64_t>(kRecProtected + kProtLimitStart);
    const std::int64_t countOffset = recordOffset + static_cast<std::int64_t>(kRecProtected + kProtCount);
    bool ok = true;
    if (m_record.firstDecryption)
        ok = store.WriteAt(startOffset, std::span<const std::uint8_t>(encrypted.data() + kProtLimitStart, 16));
    ok = ok && store.WriteAt(countOffset, std::span<const std::uint8_t>(encrypted.data() + kProtCount, 4));
    if (!ok) {
        // Puts back whatever part was written.
        (void)store.WriteAt(startOffset, m_originalBytes);
        m_dialog.ShowMessage(m_texts[slot::kHappenToError], MessageKind::Error);
        return false;
    }
    m_written = true;
    m_pendingWrite = false;
    return true;
}

bool ContainerReader::UndoWriteBack(IContainerStore& store) {
    if (!m_written) return true;
    const std::int64_t recordOffset =
        m_tail.TableOffset() + static_cast<std::int64_t>(m_record.index) * static_cast<std::int64_t>(kRecordSize);
    if (!store.WriteAt(recordOffset + static_cast<std::int64_t>(kRecProtected + kProtLimitStart), m_originalBytes))
        return false;
    m_written = false;
    return true;
}

// ---------------------------------------------------------------------------
// Text-form lookup

std::optional<std::uint64_t> TextFormFingerprint(std::span<const std::uint8_t> publicKeyFile) {
    if (publicKeyFile.size() < kPublicModulusOffset + kModulusSize) return std::nullopt;
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * kModulusSize);
    for (std::size_t i = kModulusSize; i-- > 0;) {
        const std::uint8_t b = publicKeyFile[kPublicModulusOffset + i];
        hex.push_back(kDigits[b >> 4]);
        hex.push_back(kDigits[b & 0xF]);
    }
    return Crc64(reinterpret_cast<const std::uint8_t*>(hex.data()), hex.size());
}

TextFormResult TextFormLookup(IContainerStore& store, const ReaderKeys& keys) {
    TextFormResult result;
    // The tail as read from the end; the "not authorized" marker counts
    // before anything else.
    const auto size = store.Size();
    if (!size || *size < static_cast<std::int64_t>(kMinContainerSize)) return result;
    Tail tail{};
    if (!store.ReadAt(*size - static_cast<std::int64_t>(kTailSize), tail)) return result;
    if (std::memcmp(tail.data(), kMagic.data(), kMagic.size()) != 0) return result;
    if (LoadLe16(tail.data() + 32) == 1) {
        result.kind = TextFormResult::NotAuthorized;
        return result;
    }
    if (CheckTail(store, result.tail) != ReadStatus::Ok) return result;
    const auto fingerprint = TextFormFingerprint(keys.publicKeyFile);
    if (!fingerprint || keys.privateKeyFile.size() < kPrivateExponentOffset + kModulusSize) return result;
    const auto wanted = Crc64Bytes(*fingerprint);

    container::Record record{};
    for (std::int32_t i = 0; i < result.tail.recordCount; ++i) {
        if (!store.ReadAt(
                result.tail.TableOffset() + static_cast<std::int64_t>(i) * static_cast<std::int64_t>(kRecordSize),
                record))
            return result;
        if (std::memcmp(record.data(), wanted.data(), 8) != 0) continue;
        // The block is stored least significant byte first: reversing it
        // gives the number's big-endian form, which is what the little-endian
        // reading below does directly.
        const BigNumber block =
            BigNumber::FromBytesLittleEndian(std::span<const std::uint8_t>(record.data() + kRecRsa, kModulusSize));
        const BigNumber modulus = BigNumber::FromBytesLittleEndian(
            std::span<const std::uint8_t>(keys.publicKeyFile.data() + kPublicModulusOffset, kModulusSize));
        const BigNumber exponent = BigNumber::FromBytesLittleEndian(
            std::span<const std::uint8_t>(keys.privateKeyFile.data() + kPrivateExponentOffset, kModulusSize));
        const auto value = BigNumber::ModPow(block, exponent, modulus);
        if (!value) continue;
        auto bytes = value->ToBytesLittleEndian(kModulusSize);
        if (!bytes) continue;
        std::memcpy(result.fileKey.data(), bytes->data(), kFileKeySize);
        SecureWipe(*bytes);
        result.kind = TextFormResult::Found;
        result.index = i;
        return result;
    }
    return result;
}

// ---------------------------------------------------------------------------
// The reader with the main window's state

bool ReadContainer(ReaderState& state, const IHost& host, IUserDialog& dialog, const LanguageTable& texts,
                   const std::filesystem::path& container, std::string& storedName, ReadPurpose purpose,
                   bool writeBack) {
    auto keys = ReaderKeys::Load(state.publicKeyPath, state.privateKeyPath);
    if (!keys) {
        dialog.ShowMessage(texts[slot::kDecryptKeyFileNotFound], MessageKind::Warning);
        return false;
    }
    FileContainerStore store(container);
    ContainerReader reader(host, dialog, texts);
    if (reader.Read(store, *keys, purpose) != ReadStatus::Ok) return false;
    if (writeBack && !reader.WriteBack(store)) return false;
    state.recordIndex = reader.Record().index;
    state.cipher.SetWordCount(CStreamCipher::kWordCount);
    state.cipher.SetKey(reader.Record().fileKey);
    state.decryptMode = true;
    storedName = reader.Record().StoredNameBytes();
    return true;
}

ReadStatus ReadContainerBytesForFuzzing(std::span<const std::uint8_t> bytes, const ReaderKeys& keys,
                                        const IHost& host) {
    SilentUserDialog dialog;
    bool textFormRefused = false;
    {
        MemoryContainerStore store(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
        textFormRefused = TextFormLookup(store, keys).kind == TextFormResult::NotAuthorized;
    }
    MemoryContainerStore store(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    const LanguageTable texts;  // nothing is shown
    ContainerReader reader(host, dialog, texts);
    const ReadStatus status = reader.Read(store, keys, ReadPurpose::Decrypt);
    if (status == ReadStatus::Ok) {
        (void)reader.WriteBack(store);
        (void)reader.UndoWriteBack(store);
    }
    return textFormRefused ? ReadStatus::NotAuthorized : status;
}

}  // namespace tessarin::container
