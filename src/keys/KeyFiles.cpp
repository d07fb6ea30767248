#include "keys/KeyFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

#include "core/Crc64.h"
#include "core/Sha512.h"
#include "core/StreamCipher.h"
#include "platform/ByteIo.h"
#include "platform/Cp932.h"

namespace tessarin {

namespace fs = std::filesystem;

namespace {

// Key files are a few hundred bytes; nothing the key store reads whole is
// allowed to be larger than this.
constexpr std::uintmax_t kMaxKeyFileRead = 64 * 1024;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

std::string ErrnoText(int error) {
    return std::system_category().message(error);
}

template <class T>
KeyFileResult<T> OpenFailure(const fs::path& path, int error) {
    if (error == ENOENT || error == ENOTDIR)
        return KeyFileResult<T>::Failure(KeyFileStatus::Missing, path.string() + ": " + ErrnoText(error));
    return KeyFileResult<T>::Failure(KeyFileStatus::Unreadable, path.string() + ": " + ErrnoText(error));
}

// Reads a small file whole. Larger files than the limit are refused as
// incomplete key files before anything is allocated.
KeyFileResult<ByteVector> ReadSmallFile(const fs::path& path) {
    FilePtr f(std::fopen(path.c_str(), "rb"));
    if (!f) return OpenFailure<ByteVector>(path, errno);
    struct stat st {};
    if (fstat(fileno(f.get()), &st) != 0) return OpenFailure<ByteVector>(path, errno);
    if (!S_ISREG(st.st_mode))
        return KeyFileResult<ByteVector>::Failure(KeyFileStatus::Unreadable, path.string() + ": not a file");
    if (static_cast<std::uintmax_t>(st.st_size) > kMaxKeyFileRead)
        return KeyFileResult<ByteVector>::Failure(KeyFileStatus::Incomplete,
                                                  path.string() + ": too large for a key file");
    ByteVector bytes(static_cast<std::size_t>(st.st_size));
    if (!bytes.empty() && std::fread(bytes.data(), 1, bytes.size(), f.get()) != bytes.size())
        return KeyFileResult<ByteVector>::Failure(KeyFileStatus::Unreadable, path.string() + ": read failed");
    return bytes;
}

template <class T>
KeyFileResult<T> Relabel(const KeyFileResult<ByteVector>& failed) {
    return KeyFileResult<T>::Failure(failed.Status(), failed.Detail());
}

std::string AsciiLower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool EndsWith(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// The first length-prefixed blob, checked against the file's size.
std::optional<std::span<const std::uint8_t>> FirstBlob(std::span<const std::uint8_t> fileBytes) {
    if (fileBytes.size() < kKeyLengthFieldSize) return std::nullopt;
    const std::uint32_t length = LoadLe32(fileBytes.data());
    if (length > fileBytes.size() - kKeyLengthFieldSize) return std::nullopt;
    return fileBytes.subspan(kKeyLengthFieldSize, length);
}

}  // namespace

// ---------------------------------------------------------------------------
// Reading

KeyFileResult<ByteVector> ReadFirstKeyBlob(std::span<const std::uint8_t> fileBytes) {
    auto blob = FirstBlob(fileBytes);
    if (!blob) return KeyFileResult<ByteVector>::Failure(KeyFileStatus::Incomplete, "key length runs past the end");
    return ByteVector(blob->begin(), blob->end());
}

KeyFileResult<ByteVector> ReadFirstKeyBlob(const fs::path& path) {
    FilePtr f(std::fopen(path.c_str(), "rb"));
    if (!f) return OpenFailure<ByteVector>(path, errno);
    struct stat st {};
    if (fstat(fileno(f.get()), &st) != 0 || !S_ISREG(st.st_mode))
        return KeyFileResult<ByteVector>::Failure(KeyFileStatus::Unreadable, path.string() + ": not a file");
    std::uint8_t lengthBytes[4];
    if (std::fread(lengthBytes, 1, 4, f.get()) != 4)
        return KeyFileResult<ByteVector>::Failure(KeyFileStatus::Incomplete, path.string() + ": no key length");
    const std::uint32_t length = LoadLe32(lengthBytes);
    const auto available = static_cast<std::uintmax_t>(st.st_size) - 4;
    if (length > available || length > kMaxKeyFileRead)
        return KeyFileResult<ByteVector>::Failure(KeyFileStatus::Incomplete,
                                                  path.string() + ": key length runs past the end");
    ByteVector blob(length);
    if (length && std::fread(blob.data(), 1, length, f.get()) != length)
        return KeyFileResult<ByteVector>::Failure(KeyFileStatus::Unreadable, path.string() + ": read failed");
    return blob;
}

std::span<const std::uint8_t> PrivateKeyFile::Blob() const {
    return std::span<const std::uint8_t>(bytes).subspan(kKeyLengthFieldSize, kPrivateKeyBlobSize);
}
std::span<const std::uint8_t> PrivateKeyFile::Trailer() const {
    return std::span<const std::uint8_t>(bytes).subspan(kKeyLengthFieldSize + kPrivateKeyBlobSize,
                                                        kPrivateKeyTrailerSize);
}
SystemTime PrivateKeyFile::WrittenAt() const {
    return SystemTime::FromBytes(Trailer().data());
}
std::span<const std::uint8_t> PrivateKeyFile::Tag() const {
    return Trailer().subspan(SystemTime::kSize, kKeySetTagSize);
}

bool IsUsablePublicKeyValue(std::span<const std::uint8_t> blob) {
    // BLOBHEADER (8) and RSAPUBKEY (magic, bit length, exponent: 12), then the
    // modulus, least significant byte first.
    constexpr std::size_t kExponentAt = 16;
    constexpr std::size_t kModulusAt = 20;
    if (blob.size() != kPublicKeyBlobSize) return false;
    const std::uint32_t exponent = LoadLe32(blob.data() + kExponentAt);
    const auto modulus = blob.subspan(kModulusAt, kRsaModulusSize);
    return exponent >= 3 && (exponent & 1U) != 0 && (modulus.front() & 1U) != 0 && (modulus.back() & 0x80U) != 0;
}

namespace {

// The header checks and the value checks of a public key blob; empty when
// the key is usable, else the service's style of error text.
std::string PublicBlobProblem(std::span<const std::uint8_t> blob) {
    if (const KeyBlobProblem p = CheckPublicKeyBlob(blob); p != KeyBlobProblem::None) return KeyBlobProblemText(p);
    if (!IsUsablePublicKeyValue(blob)) return KeyBlobProblemText(KeyBlobProblem::WrongBitLength);  // "Bad Key."
    return {};
}

}  // namespace

KeyFileResult<PublicKeyFile> ParsePublicKeyFile(std::span<const std::uint8_t> fileBytes) {
    auto blob = FirstBlob(fileBytes);
    if (!blob || fileBytes.size() != blob->size() + kKeyLengthFieldSize)
        return KeyFileResult<PublicKeyFile>::Failure(KeyFileStatus::Incomplete, "size does not match the key length");
    if (std::string problem = PublicBlobProblem(*blob); !problem.empty())
        return KeyFileResult<PublicKeyFile>::Failure(KeyFileStatus::BadBlob, std::move(problem));
    return PublicKeyFile{ByteVector(blob->begin(), blob->end())};
}

KeyFileResult<PrivateKeyFile> ParsePrivateKeyFile(std::span<const std::uint8_t> fileBytes) {
    auto blob = FirstBlob(fileBytes);
    if (!blob || fileBytes.size() != blob->size() + kKeyLengthFieldSize + kPrivateKeyTrailerSize)
        return KeyFileResult<PrivateKeyFile>::Failure(KeyFileStatus::Incomplete, "size does not match the key length");
    if (const KeyBlobProblem p = CheckPrivateKeyBlob(*blob); p != KeyBlobProblem::None)
        return KeyFileResult<PrivateKeyFile>::Failure(KeyFileStatus::BadBlob, KeyBlobProblemText(p));
    return PrivateKeyFile(ByteVector(fileBytes.begin(), fileBytes.end()));
}

KeyFileResult<AuthKeyFile> ParseAuthKeyFile(std::span<const std::uint8_t> fileBytes) {
    if (fileBytes.size() != kAuthKeyFileSize || LoadLe32(fileBytes.data()) != kPublicKeyBlobSize ||
        LoadLe32(fileBytes.data() + kPublicKeyFileSize) != kAuthRecordCipherSize)
        return KeyFileResult<AuthKeyFile>::Failure(KeyFileStatus::Incomplete, "not a 284-byte auth key file");
    const auto issuer = fileBytes.subspan(kKeyLengthFieldSize, kPublicKeyBlobSize);
    if (std::string problem = PublicBlobProblem(issuer); !problem.empty())
        return KeyFileResult<AuthKeyFile>::Failure(KeyFileStatus::BadBlob, std::move(problem));
    const auto cipher = fileBytes.subspan(kPublicKeyFileSize + kKeyLengthFieldSize, kAuthRecordCipherSize);
    return AuthKeyFile{ByteVector(issuer.begin(), issuer.end()), ByteVector(cipher.begin(), cipher.end())};
}

KeyFileResult<PublicKeyFile> ReadPublicKeyFile(const fs::path& path) {
    auto bytes = ReadSmallFile(path);
    if (!bytes) return Relabel<PublicKeyFile>(bytes);
    return ParsePublicKeyFile(*bytes);
}

KeyFileResult<PrivateKeyFile> ReadPrivateKeyFile(const fs::path& path) {
    auto bytes = ReadSmallFile(path);
    if (!bytes) return Relabel<PrivateKeyFile>(bytes);
    auto parsed = ParsePrivateKeyFile(*bytes);
    SecureWipe(*bytes);
    return parsed;
}

KeyFileResult<AuthKeyFile> ReadAuthKeyFile(const fs::path& path) {
    auto bytes = ReadSmallFile(path);
    if (!bytes) return Relabel<AuthKeyFile>(bytes);
    return ParseAuthKeyFile(*bytes);
}

// ---------------------------------------------------------------------------
// Completeness

bool IsCompletePublicKeyFile(std::span<const std::uint8_t> fileBytes) {
    return ParsePublicKeyFile(fileBytes).Ok();
}
bool IsCompletePrivateKeyFile(std::span<const std::uint8_t> fileBytes) {
    auto bytes = FirstBlob(fileBytes);
    return bytes && fileBytes.size() == bytes->size() + kKeyLengthFieldSize + kPrivateKeyTrailerSize &&
           CheckPrivateKeyBlob(*bytes) == KeyBlobProblem::None;
}
bool IsCompleteAuthKeyFile(std::span<const std::uint8_t> fileBytes) {
    return ParseAuthKeyFile(fileBytes).Ok();
}

bool IsAuthKeyFileName(std::string_view fileName) {
    return EndsWith(AsciiLower(fileName), "-auth.vpub");
}

KeyFileKind ClassifyKeyFile(const fs::path& path) {
    const std::string lower = AsciiLower(path.filename().string());
    KeyFileKind kind;
    if (EndsWith(lower, "-auth.vpub"))
        kind = KeyFileKind::AuthKey;
    else if (EndsWith(lower, ".vpub"))
        kind = KeyFileKind::PublicKey;
    else if (EndsWith(lower, ".vpri"))
        kind = KeyFileKind::PrivateKey;
    else
        return KeyFileKind::NotAKey;
    auto bytes = ReadSmallFile(path);
    if (!bytes) return KeyFileKind::NotAKey;
    bool complete = false;
    switch (kind) {
        case KeyFileKind::AuthKey:
            complete = IsCompleteAuthKeyFile(*bytes);
            break;
        case KeyFileKind::PublicKey:
            complete = IsCompletePublicKeyFile(*bytes);
            break;
        case KeyFileKind::PrivateKey:
            complete = IsCompletePrivateKeyFile(*bytes);
            break;
        case KeyFileKind::NotAKey:
            break;
    }
    SecureWipe(*bytes);
    return complete ? kind : KeyFileKind::NotAKey;
}

// ---------------------------------------------------------------------------
// Building and writing

namespace {

// Appends a 32-bit length and the bytes it counts.
void AppendLengthPrefixed(ByteVector& out, std::span<const std::uint8_t> bytes) {
    const std::size_t at = out.size();
    out.resize(at + kKeyLengthFieldSize + bytes.size());
    StoreLe32(out.data() + at, static_cast<std::uint32_t>(bytes.size()));
    if (!bytes.empty()) std::memcpy(out.data() + at + kKeyLengthFieldSize, bytes.data(), bytes.size());
}

void Append(ByteVector& out, std::span<const std::uint8_t> bytes) {
    const std::size_t at = out.size();
    out.resize(at + bytes.size());
    if (!bytes.empty()) std::memcpy(out.data() + at, bytes.data(), bytes.size());
}

}  // namespace

ByteVector BuildPublicKeyFile(std::span<const std::uint8_t> publicBlob) {
    ByteVector out;
    AppendLengthPrefixed(out, publicBlob);
    return out;
}

ByteVector BuildPrivateKeyFile(std::span<const std::uint8_t> privateBlob, const SystemTime& written,
                               std::span<const std::uint8_t, kKeySetTagSize> tag) {
    ByteVector out;
    out.reserve(kKeyLengthFieldSize + privateBlob.size() + kPrivateKeyTrailerSize);
    AppendLengthPrefixed(out, privateBlob);
    Append(out, written.ToBytes());
    Append(out, tag);
    return out;
}

ByteVector BuildAuthKeyFile(std::span<const std::uint8_t> issuerPublicBlob,
                            std::span<const std::uint8_t> recordCipher) {
    ByteVector out;
    out.reserve(2 * kKeyLengthFieldSize + issuerPublicBlob.size() + recordCipher.size());
    AppendLengthPrefixed(out, issuerPublicBlob);
    AppendLengthPrefixed(out, recordCipher);
    return out;
}

std::array<std::uint8_t, kKeySetTagSize> KeySetTag(std::uint32_t tickCount) {
    // The tick count is formatted as "%d" formats a DWORD: as a signed number.
    const std::string text = std::to_string(static_cast<std::int32_t>(tickCount));
    const CSHA::Digest digest = CSHA::Of(std::string_view(text));
    std::array<std::uint8_t, kKeySetTagSize> tag{};
    std::copy(digest.begin() + 16, digest.begin() + 16 + kKeySetTagSize, tag.begin());
    return tag;
}

bool SetReadOnly(const fs::path& path) {
    std::error_code ec;
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove, ec);
    return !ec;
}

bool ClearReadOnly(const fs::path& path) {
    std::error_code ec;
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, ec);
    return !ec;
}

bool IsReadOnly(const fs::path& path) {
    std::error_code ec;
    const auto st = fs::status(path, ec);
    if (ec) return false;
    const auto writeBits = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    return (st.permissions() & writeBits) == fs::perms::none;
}

namespace {

mode_t ModeOf(FileAccess access) {
    switch (access) {
        case FileAccess::Writable:
            return 0644;
        case FileAccess::ReadOnly:
            return 0444;
        case FileAccess::OwnerReadOnly:
            return 0400;
    }
    return 0400;
}

// Writes bytes to a fresh temporary file beside path (created 0600, so
// private key bytes are never readable by others on the way); returns its name.
KeyFileResult<fs::path> WriteTemporary(const fs::path& path, std::span<const std::uint8_t> bytes, FileAccess access) {
    using R = KeyFileResult<fs::path>;
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    std::string leaf(".");
    leaf.append(path.filename().string()).append(".tmp-XXXXXX");
    std::string tmpl = (folder / leaf).string();
    const int fd = mkstemp(tmpl.data());
    if (fd < 0) return R::Failure(KeyFileStatus::WriteFailed, path.string() + ": " + ErrnoText(errno));
    const fs::path tmp = tmpl;
    auto fail = [&](int error) {
        ::close(fd);
        ::unlink(tmp.c_str());
        return R::Failure(KeyFileStatus::WriteFailed, path.string() + ": " + ErrnoText(error));
    };
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(errno);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0) return fail(errno);
    if (::fchmod(fd, ModeOf(access)) != 0) return fail(errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(tmp.c_str());
        return R::Failure(KeyFileStatus::WriteFailed, path.string() + ": " + ErrnoText(error));
    }
    return tmp;
}

}  // namespace

KeyFileResult<std::monostate> WriteFileReplacing(const fs::path& path, std::span<const std::uint8_t> bytes,
                                                 FileAccess access) {
    using R = KeyFileResult<std::monostate>;
    auto tmp = WriteTemporary(path, bytes, access);
    if (!tmp) return R::Failure(tmp.Status(), tmp.Detail());
    std::error_code ec;
    if (fs::exists(fs::symlink_status(path, ec))) ClearReadOnly(path);
    if (::rename(tmp->c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(tmp->c_str());
        return R::Failure(KeyFileStatus::WriteFailed, path.string() + ": " + ErrnoText(error));
    }
    return std::monostate{};
}

KeyFileResult<std::monostate> WriteNewFile(const fs::path& path, std::span<const std::uint8_t> bytes,
                                           FileAccess access) {
    using R = KeyFileResult<std::monostate>;
    auto tmp = WriteTemporary(path, bytes, access);
    if (!tmp) return R::Failure(tmp.Status(), tmp.Detail());
    // link() refuses an existing name, so a file that appeared meanwhile is
    // never replaced.
    int linked = ::link(tmp->c_str(), path.c_str());
    int error = errno;
    if (linked != 0 && error != EEXIST && error != ENOENT && error != EACCES) {
        // File systems without hard links (FAT disks): rename without replace.
        linked = ::renameat2(AT_FDCWD, tmp->c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE);
        error = errno;
        if (linked != 0 && (error == EINVAL || error == ENOSYS)) {
            std::error_code ec;
            if (fs::exists(fs::symlink_status(path, ec))) {
                error = EEXIST;
            } else {
                linked = ::rename(tmp->c_str(), path.c_str());
                error = errno;
            }
        }
    }
    ::unlink(tmp->c_str());  // after a rename the name is already gone
    if (linked != 0)
        return R::Failure(KeyFileStatus::WriteFailed,
                          error == EEXIST ? std::string("exists") : path.string() + ": " + ErrnoText(error));
    return std::monostate{};
}

bool CreateKeyFolder(const fs::path& folder) {
    fs::path at;
    for (const auto& part : folder) {
        at /= part;
        if (part.empty() || part == at.root_path() || part == at.root_directory()) continue;
        if (::mkdir(at.c_str(), 0700) == 0) {
            // The process's umask may have taken bits away, never added any.
            if (::chmod(at.c_str(), 0700) != 0) return false;
        } else if (errno != EEXIST) {
            return false;
        }
    }
    std::error_code ec;
    return fs::is_directory(folder, ec);
}

// ---------------------------------------------------------------------------
// Key mark and fingerprint

std::uint64_t KeyFingerprint(std::span<const std::uint8_t> blob) {
    return Crc64(blob);
}

const std::array<std::uint32_t, 8>& KeyMarkKeyWords() {
    // Fixed for every installation: key marks stored in member lists and in
    // containers' sender check depend on these values.
    static constexpr std::array<std::uint32_t, 8> kWords = {
        0x3A1F7, 0x8C2D1, 0x51E93, 0xF0B4A, 0x27D6C, 0xA9358, 0x6E0C5, 0xD47B2,
    };
    return kWords;
}

std::uint64_t KeyMark(std::span<const std::uint8_t> blob) {
    CStreamCipher cipher;
    cipher.SetWordCount(CStreamCipher::kWordCount);
    cipher.SetKey(KeyMarkKeyWords().data());
    ByteVector pass(blob.begin(), blob.end());
    if (!pass.empty()) cipher.Crypt(pass.data(), pass.size(), pass.data());
    return Crc64(pass);
}

std::optional<std::uint64_t> KeyMarkOfFile(const fs::path& path) {
    FilePtr f(std::fopen(path.c_str(), "rb"));
    if (!f) return std::nullopt;
    struct stat st {};
    if (fstat(fileno(f.get()), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    const auto size = static_cast<std::uint64_t>(st.st_size);
    std::uint64_t at = 0;
    if (!EndsWith(AsciiLower(path.filename().string()), ".vpub")) {
        // A container: the tail's offset field leads to the sender's key.
        std::uint8_t field[4];
        if (size < 32 || fseeko(f.get(), static_cast<off_t>(size - 32), SEEK_SET) != 0 ||
            std::fread(field, 1, 4, f.get()) != 4)
            return std::nullopt;
        at = static_cast<std::uint64_t>(LoadLe32(field)) + 80;
    }
    std::uint8_t lengthBytes[4];
    if (at + 4 > size || fseeko(f.get(), static_cast<off_t>(at), SEEK_SET) != 0 ||
        std::fread(lengthBytes, 1, 4, f.get()) != 4)
        return std::nullopt;
    const std::uint32_t length = LoadLe32(lengthBytes);
    if (length > size - at - 4 || length > kMaxKeyFileRead) return std::nullopt;
    ByteVector blob(length);
    if (length && std::fread(blob.data(), 1, length, f.get()) != length) return std::nullopt;
    return KeyMark(blob);
}

// ---------------------------------------------------------------------------
// Auth record

std::array<std::uint8_t, kAuthRecordSize> AuthRecord::ToBytes() const {
    ByteVector out;
    out.reserve(kAuthRecordSize);
    ByteWriter(out)
        .Bytes(secret)
        .Text(name, kNameWidth)
        .Text(email, kEmailWidth)
        .Bytes(created.ToBytes())
        .U8(reserved)
        .Bytes(limit.ToBytes());
    std::array<std::uint8_t, kAuthRecordSize> bytes{};
    std::copy(out.begin(), out.end(), bytes.begin());
    SecureWipe(out);
    return bytes;
}

std::optional<AuthRecord> AuthRecord::FromBytes(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != kAuthRecordSize) return std::nullopt;
    ByteReader in(bytes);
    AuthRecord r;
    const auto s = in.Bytes(32);
    std::copy(s.begin(), s.end(), r.secret.begin());
    r.name = std::string(in.Text(kNameWidth));
    r.email = std::string(in.Text(kEmailWidth));
    r.created = SystemTime::FromBytes(in.Bytes(SystemTime::kSize).data());
    r.reserved = in.U8();
    r.limit = SystemTime::FromBytes(in.Bytes(SystemTime::kSize).data());
    if (!in.Ok()) return std::nullopt;
    return r;
}

std::array<std::uint32_t, 8> AuthRecord::SecretWords() const {
    std::array<std::uint32_t, 8> words{};
    for (std::size_t i = 0; i < words.size(); ++i) words[i] = LoadLe32(secret.data() + 4 * i);
    return words;
}

RsaResult<ByteVector> EncryptAuthRecord(std::span<const std::uint8_t> ownerPublicBlob, const AuthRecord& record) {
    auto bytes = record.ToBytes();
    auto result = RsaEncryptBlock(ownerPublicBlob, bytes);
    SecureWipe(bytes);
    return result;
}

RsaResult<AuthRecord> DecryptAuthRecord(std::span<const std::uint8_t> ownerPrivateBlob,
                                        std::span<const std::uint8_t> recordCipher) {
    auto plain = RsaDecryptBlock(ownerPrivateBlob, recordCipher);
    if (!plain) return RsaResult<AuthRecord>::Failure(plain.Error());
    auto record = AuthRecord::FromBytes(*plain);
    SecureWipe(*plain);
    if (!record) return RsaResult<AuthRecord>::Failure("Bad Data.");
    return std::move(*record);
}

// ---------------------------------------------------------------------------
// Names and folders

KeySetNameCheck CheckKeySetNameCp932(std::string_view cp932Name) {
    if (cp932Name.empty()) return KeySetNameCheck::Empty;
    if (cp932Name.size() > kMaxKeySetNameBytes) return KeySetNameCheck::TooLong;
    if (Cp932FindAnyOf(cp932Name, kForbiddenNameCharacters) != std::string_view::npos)
        return KeySetNameCheck::ForbiddenCharacter;
    // Control characters have no place in a file name either.
    for (std::size_t i = 0; i < cp932Name.size(); ++i) {
        const auto b = static_cast<std::uint8_t>(cp932Name[i]);
        if (IsCp932LeadByte(b)) {
            if (i + 1 >= cp932Name.size()) return KeySetNameCheck::NotConvertible;  // a lone lead byte
            ++i;
            continue;
        }
        if (b < 0x20 || b == 0x7F) return KeySetNameCheck::ForbiddenCharacter;
    }
    return KeySetNameCheck::Ok;
}

KeySetNameCheck CheckKeySetName(std::string_view utf8Name) {
    if (utf8Name.empty()) return KeySetNameCheck::Empty;
    const auto cp932 = Utf8ToCp932(utf8Name);
    if (!cp932) return KeySetNameCheck::NotConvertible;
    return CheckKeySetNameCp932(*cp932);
}

KeySetNameCheck CheckNewKeySetName(std::string_view utf8Name) {
    const KeySetNameCheck check = CheckKeySetName(utf8Name);
    if (check != KeySetNameCheck::Ok) return check;
    // Every byte of a full stop is a full stop in CP932 too (no trail byte is 0x2E).
    return utf8Name.find('.') == std::string_view::npos ? KeySetNameCheck::Ok : KeySetNameCheck::ForbiddenCharacter;
}

std::string KeySetNameOfPublicKeyFile(std::string_view publicKeyFileName) {
    constexpr std::string_view kEnding = ".vpub";
    if (publicKeyFileName.size() > kEnding.size() && EndsWith(AsciiLower(publicKeyFileName), kEnding))
        return std::string(publicKeyFileName.substr(0, publicKeyFileName.size() - kEnding.size()));
    return std::string(publicKeyFileName);
}

bool IsUsableSenderKeySetName(std::string_view utf8Name) {
    return CheckKeySetName(utf8Name) == KeySetNameCheck::Ok && utf8Name.find("))") == std::string_view::npos &&
           !EndsWith(AsciiLower(utf8Name), "-auth");
}

std::string PublicKeyFileName(std::string_view name) {
    return std::string(name) + ".vpub";
}
std::string PrivateKeyFileName(std::string_view name) {
    return std::string(name) + "Private.vpri";
}
std::string MemberTextFileName(std::string_view name) {
    return std::string(name) + "Member.txt";
}
std::string AuthKeyFileName(std::string_view owner, std::string_view issuer) {
    return std::string(owner) + "))" + std::string(issuer) + "-auth.vpub";
}
std::string SelfAuthKeyFileName(std::string_view name) {
    return AuthKeyFileName(name, name);
}

fs::path KeyFolderPath(const fs::path& keyPairRoot, std::string_view name) {
    const std::string wanted = std::string(kKeyFolderPrefix) + std::string(name);
    const std::string wantedLower = AsciiLower(wanted);
    std::error_code ec;
    fs::path exact = keyPairRoot / wanted;
    if (fs::is_directory(exact, ec)) return exact;
    for (fs::directory_iterator it(keyPairRoot, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code dirEc;
        if (it->is_directory(dirEc) && AsciiLower(it->path().filename().string()) == wantedLower) return it->path();
    }
    return exact;
}

}  // namespace tessarin
