#pragma once
// Key files of a key set and the records inside them, byte for byte as every
// installation writes them, plus the names and folders they live under.
//
//   <name>.vpub            public key file, 152 bytes: length 148 + PUBLICKEYBLOB
//   <name>Private.vpri     private key file, 648 bytes: length 596 +
//                          PRIVATEKEYBLOB + SYSTEMTIME (written) + 32-byte tag
//   <owner>))<issuer>-auth.vpub
//                          auth key file, 284 bytes: length 148 + the issuer's
//                          PUBLICKEYBLOB + length 128 + the auth record
//                          enciphered for the owner
//   KeyList_<name>/        the key folder of a key set
//
// Readers never trust a length field: a length that runs past the end of the
// file is a failure, never an allocation. Writers write a temporary file in the
// target folder, rename it into place and leave the result read-only (no write
// permission bits); an existing read-only file is made writable first.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "platform/SystemTime.h"
#include "platform/crypto/RsaService.h"

namespace tessarin {

inline constexpr std::size_t kKeyLengthFieldSize = 4;
inline constexpr std::size_t kPublicKeyFileSize = kKeyLengthFieldSize + kPublicKeyBlobSize;  // 152
inline constexpr std::size_t kKeySetTagSize = 32;
inline constexpr std::size_t kPrivateKeyTrailerSize = SystemTime::kSize + kKeySetTagSize;  // 48
inline constexpr std::size_t kPrivateKeyFileSize =
    kKeyLengthFieldSize + kPrivateKeyBlobSize + kPrivateKeyTrailerSize;  // 648
inline constexpr std::size_t kAuthRecordSize = 115;
inline constexpr std::size_t kAuthRecordCipherSize = kRsaModulusSize;  // 128
inline constexpr std::size_t kAuthKeyFileSize =
    kPublicKeyFileSize + kKeyLengthFieldSize + kAuthRecordCipherSize;  // 284

// ---------------------------------------------------------------------------
// Results

enum class KeyFileStatus {
    Ok,
    Missing,     // no such file
    Unreadable,  // open or read failed
    Incomplete,  // size does not match the file's rule, or a length runs past the end
    BadBlob,     // the blob's header is not a 1024-bit RSA key-exchange blob of the right type
    WriteFailed,
};

template <class T>
class [[nodiscard]] KeyFileResult {
public:
    KeyFileResult(T value) : m_value(std::move(value)) {}  // NOLINT(implicit)
    static KeyFileResult Failure(KeyFileStatus status, std::string detail = {}) {
        KeyFileResult r;
        r.m_status = status;
        r.m_detail = std::move(detail);
        return r;
    }
    bool Ok() const { return m_value.has_value(); }
    explicit operator bool() const { return Ok(); }
    KeyFileStatus Status() const { return m_status; }
    // A short English description of the failure (file system or blob error).
    const std::string& Detail() const { return m_detail; }
    T& Value() { return *m_value; }
    const T& Value() const { return *m_value; }
    T& operator*() { return *m_value; }
    const T& operator*() const { return *m_value; }
    T* operator->() { return &*m_value; }
    const T* operator->() const { return &*m_value; }

private:
    KeyFileResult() = default;
    std::optional<T> m_value;
    KeyFileStatus m_status = KeyFileStatus::Ok;
    std::string m_detail;
};

// ---------------------------------------------------------------------------
// Reading

// The general key reader: a 32-bit length and that many bytes; whatever
// follows is ignored, so it opens public, private and auth key files alike (an
// auth key yields the issuer's public key). Does not look inside the blob.
KeyFileResult<ByteVector> ReadFirstKeyBlob(const std::filesystem::path& path);
KeyFileResult<ByteVector> ReadFirstKeyBlob(std::span<const std::uint8_t> fileBytes);

struct PublicKeyFile {
    ByteVector blob;  // the 148-byte PUBLICKEYBLOB
};

struct PrivateKeyFile {
    ByteVector bytes;  // the whole 648-byte file; wiped on destruction

    PrivateKeyFile() = default;
    explicit PrivateKeyFile(ByteVector b) : bytes(std::move(b)) {}
    PrivateKeyFile(PrivateKeyFile&&) noexcept = default;
    PrivateKeyFile& operator=(PrivateKeyFile&&) noexcept = default;
    PrivateKeyFile(const PrivateKeyFile&) = default;
    PrivateKeyFile& operator=(const PrivateKeyFile&) = default;
    ~PrivateKeyFile() { SecureWipe(bytes); }

    // The 596-byte PRIVATEKEYBLOB (file bytes 4..599).
    std::span<const std::uint8_t> Blob() const;
    // The 48 bytes behind the blob: written time and key set tag.
    std::span<const std::uint8_t> Trailer() const;
    SystemTime WrittenAt() const;
    std::span<const std::uint8_t> Tag() const;  // 32 bytes
};

struct AuthKeyFile {
    ByteVector issuerBlob;    // 148-byte PUBLICKEYBLOB of the issuer
    ByteVector recordCipher;  // 128 bytes, the auth record enciphered for the owner
};

// The numbers of a PUBLICKEYBLOB that its header checks leave alone: the
// modulus is an odd number of exactly 1024 bits and the public exponent an
// odd number of at least 3. A key failing this can never encrypt anything.
bool IsUsablePublicKeyValue(std::span<const std::uint8_t> publicBlob);

// Strict readers: the file must meet its completeness rule and carry a
// well-formed blob of the right type (1024-bit, CALG_RSA_KEYX); public keys
// (of public and auth key files) must pass IsUsablePublicKeyValue too.
KeyFileResult<PublicKeyFile> ReadPublicKeyFile(const std::filesystem::path& path);
KeyFileResult<PrivateKeyFile> ReadPrivateKeyFile(const std::filesystem::path& path);
KeyFileResult<AuthKeyFile> ReadAuthKeyFile(const std::filesystem::path& path);

// The same checks on bytes already in memory.
KeyFileResult<PublicKeyFile> ParsePublicKeyFile(std::span<const std::uint8_t> fileBytes);
KeyFileResult<PrivateKeyFile> ParsePrivateKeyFile(std::span<const std::uint8_t> fileBytes);
KeyFileResult<AuthKeyFile> ParseAuthKeyFile(std::span<const std::uint8_t> fileBytes);

// ---------------------------------------------------------------------------
// Completeness
//
// Public key file: size is exactly length + 4 (152), the blob a PUBLICKEYBLOB.
// Private key file: size is exactly length + 52 (648), the blob a PRIVATEKEYBLOB.
// Auth key file: exactly 284 bytes, lengths 148 and 128, the first blob a
// PUBLICKEYBLOB.
bool IsCompletePublicKeyFile(std::span<const std::uint8_t> fileBytes);
bool IsCompletePrivateKeyFile(std::span<const std::uint8_t> fileBytes);
bool IsCompleteAuthKeyFile(std::span<const std::uint8_t> fileBytes);

enum class KeyFileKind { NotAKey, PublicKey, AuthKey, PrivateKey };

// What a file found in a folder counts as, from its name ending (compared
// lower-cased) and its completeness: "-auth.vpub" must be a complete auth key
// file, other ".vpub" a complete public key file, ".vpri" a complete private
// key file. Anything else, or a file that fails its rule, is NotAKey.
// A PrivateKey is reported so callers can recognise it, but it is never a
// recipient or partner key: only PublicKey and AuthKey may be registered.
KeyFileKind ClassifyKeyFile(const std::filesystem::path& path);
inline bool IsRegistrableKeyKind(KeyFileKind kind) {
    return kind == KeyFileKind::PublicKey || kind == KeyFileKind::AuthKey;
}
// True when the name ends "-auth.vpub", compared lower-cased.
bool IsAuthKeyFileName(std::string_view fileName);

// ---------------------------------------------------------------------------
// Building and writing

ByteVector BuildPublicKeyFile(std::span<const std::uint8_t> publicBlob);
ByteVector BuildPrivateKeyFile(std::span<const std::uint8_t> privateBlob, const SystemTime& written,
                               std::span<const std::uint8_t, kKeySetTagSize> tag);
ByteVector BuildAuthKeyFile(std::span<const std::uint8_t> issuerPublicBlob, std::span<const std::uint8_t> recordCipher);

// The key set tag: bytes 16 to 47 of the SHA-512 of the tick count written in
// decimal as a signed 32-bit number ("%d").
std::array<std::uint8_t, kKeySetTagSize> KeySetTag(std::uint32_t tickCount);

// The permission bits a written file ends with: writable by its owner and
// readable by all (0644), read-only for all (0444: public and auth keys), or
// readable by its owner only (0400: private key files).
enum class FileAccess { Writable, ReadOnly, OwnerReadOnly };

// Writes bytes to path through a temporary file in the same folder, renamed
// into place; an existing file there loses its read-only state first. With
// readOnly the result has no write permission bits. On failure nothing at path
// changes and the temporary file is gone.
KeyFileResult<std::monostate> WriteFileReplacing(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                                                 FileAccess access);
inline KeyFileResult<std::monostate> WriteFileReplacing(const std::filesystem::path& path,
                                                        std::span<const std::uint8_t> bytes, bool readOnly) {
    return WriteFileReplacing(path, bytes, readOnly ? FileAccess::ReadOnly : FileAccess::Writable);
}
// As WriteFileReplacing, but never replaces: fails (Detail "exists") when a
// file of that name is already there, checked atomically at the last step.
KeyFileResult<std::monostate> WriteNewFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                                           FileAccess access);
inline KeyFileResult<std::monostate> WriteNewFile(const std::filesystem::path& path,
                                                  std::span<const std::uint8_t> bytes, bool readOnly) {
    return WriteNewFile(path, bytes, readOnly ? FileAccess::ReadOnly : FileAccess::Writable);
}
// Creates a folder that holds keys, with any missing parents; each folder
// made here is accessible by its owner only (0700), folders already there keep
// their permissions. False when the path is no folder afterwards.
[[nodiscard]] bool CreateKeyFolder(const std::filesystem::path& folder);
// Write-bit helpers for the read-only attribute.
bool SetReadOnly(const std::filesystem::path& path);
bool ClearReadOnly(const std::filesystem::path& path);
bool IsReadOnly(const std::filesystem::path& path);

// ---------------------------------------------------------------------------
// Key mark and fingerprint

// Crc64 of the raw blob: identifies keys in the authentication history and in
// recipient records.
std::uint64_t KeyFingerprint(std::span<const std::uint8_t> blob);

// Crc64 of the blob after one keystream pass under the built-in key mark key.
std::uint64_t KeyMark(std::span<const std::uint8_t> blob);
inline std::uint32_t KeyMarkLow(std::span<const std::uint8_t> blob) {
    return static_cast<std::uint32_t>(KeyMark(blob));
}
// The built-in eight words the key mark is keyed with (each below 2^20).
const std::array<std::uint32_t, 8>& KeyMarkKeyWords();

// Key mark of a file: for a name ending ".vpub" (any case) the first blob of
// the file; otherwise the file is taken as a container carrying its sender's
// public key: the 32-bit offset d at end - 32, the blob at d + 80. Empty when
// the file cannot be opened or a length or offset falls outside it.
std::optional<std::uint64_t> KeyMarkOfFile(const std::filesystem::path& path);

// ---------------------------------------------------------------------------
// Auth record (115 bytes before enciphering)

struct AuthRecord {
    std::array<std::uint8_t, 32> secret{};
    std::string name;   // CP932 bytes, stored cut to 20 bytes
    std::string email;  // CP932 bytes, stored cut to 30 bytes
    SystemTime created;
    std::uint8_t reserved = 1;
    SystemTime limit;  // all zero: no limit

    static constexpr std::size_t kNameWidth = 20;
    static constexpr std::size_t kEmailWidth = 30;

    std::array<std::uint8_t, kAuthRecordSize> ToBytes() const;
    // Empty when bytes is not exactly 115 bytes long.
    static std::optional<AuthRecord> FromBytes(std::span<const std::uint8_t> bytes);
    // The secret as eight little-endian 32-bit words.
    std::array<std::uint32_t, 8> SecretWords() const;
};

// The record enciphered for the owner (one PKCS #1 v1.5 block, 128 bytes).
RsaResult<ByteVector> EncryptAuthRecord(std::span<const std::uint8_t> ownerPublicBlob, const AuthRecord& record);
// Deciphers with the owner's private key blob; a plaintext that is not 115
// bytes long fails ("Bad Data.").
RsaResult<AuthRecord> DecryptAuthRecord(std::span<const std::uint8_t> ownerPrivateBlob,
                                        std::span<const std::uint8_t> recordCipher);

// ---------------------------------------------------------------------------
// Key set names and folders (names are UTF-8; length and characters are
// judged on their CP932 form, the form stored in every file)

inline constexpr std::size_t kMaxKeySetNameBytes = 60;
// slash, colon, asterisk, question mark, double quote, less-than,
// greater-than, vertical bar, backslash
inline constexpr std::string_view kForbiddenNameCharacters = "/:*?\"<>|\\";

enum class KeySetNameCheck {
    Ok,
    Empty,
    TooLong,             // above 60 CP932 bytes
    ForbiddenCharacter,  // one of the nine, searched character-wise
    NotConvertible,      // has characters CP932 cannot hold
};
KeySetNameCheck CheckKeySetName(std::string_view utf8Name);
KeySetNameCheck CheckKeySetNameCp932(std::string_view cp932Name);
// The rule for a name a new key set is made under: CheckKeySetName, and no
// full stop either (the name-rule message lists it), so that the name is the
// same whichever full stop a reader would cut at.
KeySetNameCheck CheckNewKeySetName(std::string_view utf8Name);
// The key set name of a public key file name: the name without its ".vpub"
// ending (any case), full stops inside kept. The one rule for the key folder,
// the self auth key and the next start.
std::string KeySetNameOfPublicKeyFile(std::string_view publicKeyFileName);
// A key set name taken from a container (the sender record's name) may become
// a key file name only when it passes CheckKeySetName, holds no "))" and does
// not end in "-auth" (any case): such a name would spell an auth key's name.
bool IsUsableSenderKeySetName(std::string_view utf8Name);

std::string PublicKeyFileName(std::string_view name);                          // <name>.vpub
std::string PrivateKeyFileName(std::string_view name);                         // <name>Private.vpri
std::string MemberTextFileName(std::string_view name);                         // <name>Member.txt
std::string AuthKeyFileName(std::string_view owner, std::string_view issuer);  // <owner>))<issuer>-auth.vpub
std::string SelfAuthKeyFileName(std::string_view name);                        // <name>))<name>-auth.vpub
inline constexpr std::string_view kKeyFolderPrefix = "KeyList_";
// <root>/KeyList_<name>. An existing folder whose name matches without regard
// to case (the older "keyList_" spelling) is returned instead.
std::filesystem::path KeyFolderPath(const std::filesystem::path& keyPairRoot, std::string_view name);

}  // namespace tessarin
