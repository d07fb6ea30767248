#pragma once
// The RSA service: 1024-bit key-exchange keys in the CryptoAPI blob layout,
// one-block PKCS #1 v1.5 encryption in CryptoAPI's byte order, and SHA-1 as
// hexadecimal text. Everything above this layer speaks in blobs and bytes;
// the library behind it stays in the .cpp files.
//
// Blob layout (all integers little-endian):
//   BLOBHEADER  bType (0x06 public, 0x07 private), bVersion 0x02,
//               reserved 0x0000, aiKeyAlg 0x0000A400 (CALG_RSA_KEYX)
//   RSAPUBKEY   magic "RSA1" (public) or "RSA2" (private), bitlen 1024,
//               pubexp
//   modulus (128 bytes)
//   private only: prime1, prime2, exponent1, exponent2, coefficient
//               (64 bytes each), privateExponent (128 bytes)
// Every number is stored least significant byte first.
//
// Ciphertexts are 128 bytes, least significant byte first, as CryptEncrypt
// writes them (the reverse of the big-endian octet string of PKCS #1).

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessarin {

inline constexpr std::size_t kRsaBits = 1024;
inline constexpr std::size_t kRsaModulusSize = kRsaBits / 8;                             // 128
inline constexpr std::size_t kRsaHalfSize = kRsaBits / 16;                               // 64
inline constexpr std::size_t kRsaBlobHeaderSize = 8 + 12;                                // BLOBHEADER + RSAPUBKEY
inline constexpr std::size_t kPublicKeyBlobSize = kRsaBlobHeaderSize + kRsaModulusSize;  // 148
inline constexpr std::size_t kPrivateKeyBlobSize =
    kRsaBlobHeaderSize + kRsaModulusSize + 5 * kRsaHalfSize + kRsaModulusSize;  // 596
// Largest plaintext one PKCS #1 v1.5 block of a 1024-bit key carries.
inline constexpr std::size_t kRsaMaxPlaintext = kRsaModulusSize - 11;  // 117
inline constexpr std::uint32_t kRsaPublicExponent = 65537;

inline constexpr std::uint8_t kPublicKeyBlobType = 0x06;   // PUBLICKEYBLOB
inline constexpr std::uint8_t kPrivateKeyBlobType = 0x07;  // PRIVATEKEYBLOB
inline constexpr std::uint8_t kKeyBlobVersion = 0x02;
inline constexpr std::uint32_t kCalgRsaKeyx = 0xA400;
inline constexpr std::uint32_t kRsa1Magic = 0x31415352;  // "RSA1"
inline constexpr std::uint32_t kRsa2Magic = 0x32415352;  // "RSA2"

using ByteVector = std::vector<std::uint8_t>;

// A value or the service's error text. The texts read like the platform's own
// messages ("Bad Key.", "Bad Data.", or the library's error string) and are
// meant to be shown behind the "CryptAPIエラー: " prefix.
template <class T>
class [[nodiscard]] RsaResult {
public:
    RsaResult(T value) : m_value(std::move(value)) {}  // NOLINT(implicit)
    static RsaResult Failure(std::string error) {
        RsaResult r;
        r.m_error = std::move(error);
        return r;
    }
    bool Ok() const { return m_value.has_value(); }
    explicit operator bool() const { return Ok(); }
    T& Value() { return *m_value; }
    const T& Value() const { return *m_value; }
    T& operator*() { return *m_value; }
    const T& operator*() const { return *m_value; }
    T* operator->() { return &*m_value; }
    const T* operator->() const { return &*m_value; }
    const std::string& Error() const { return m_error; }

private:
    RsaResult() = default;
    std::optional<T> m_value;
    std::string m_error;
};

// What is wrong with a blob, found by looking at its bytes only.
enum class KeyBlobProblem {
    None,
    Truncated,       // shorter than its header promises
    WrongSize,       // not exactly 148 / 596 bytes
    WrongType,       // bType is not the expected blob type
    WrongVersion,    // bVersion is not 2
    WrongAlgorithm,  // aiKeyAlg is not CALG_RSA_KEYX
    WrongMagic,      // not "RSA1" / "RSA2"
    WrongBitLength,  // not 1024
};

// Structural checks, no arithmetic: the header fields and the exact size.
KeyBlobProblem CheckPublicKeyBlob(std::span<const std::uint8_t> blob);
KeyBlobProblem CheckPrivateKeyBlob(std::span<const std::uint8_t> blob);
// "Bad Type." style text for a problem, empty for None.
std::string KeyBlobProblemText(KeyBlobProblem problem);

// One imported RSA key: a public key, or a key pair when imported from a
// private blob or generated. Move-only; the key material is wiped when the
// object goes away.
class RsaKey final {
public:
    RsaKey(RsaKey&&) noexcept;
    RsaKey& operator=(RsaKey&&) noexcept;
    RsaKey(const RsaKey&) = delete;
    RsaKey& operator=(const RsaKey&) = delete;
    ~RsaKey();

    // A PUBLICKEYBLOB (148 bytes) or PRIVATEKEYBLOB (596 bytes); the type byte
    // decides. Bytes behind the blob are refused: pass exactly the blob.
    static RsaResult<RsaKey> Import(std::span<const std::uint8_t> blob);
    // A fresh 1024-bit key-exchange pair with public exponent 65537.
    static RsaResult<RsaKey> Generate();

    bool HasPrivate() const;

    RsaResult<ByteVector> ExportPublicBlob() const;
    // Fails for a key without its private half.
    RsaResult<ByteVector> ExportPrivateBlob() const;

    // One PKCS #1 v1.5 block (at most 117 bytes of plaintext) to 128 bytes of
    // ciphertext in CryptoAPI's little-endian order.
    RsaResult<ByteVector> Encrypt(std::span<const std::uint8_t> plaintext) const;
    // The reverse: 128 bytes of little-endian ciphertext to the plaintext.
    // A wrong key or a damaged block fails ("Bad Data.").
    RsaResult<ByteVector> Decrypt(std::span<const std::uint8_t> ciphertext) const;

    // The bare private operation c^d mod n on a little-endian 128-byte block,
    // giving 128 little-endian bytes; no padding is checked. Serves the older
    // text-form recipient records.
    RsaResult<ByteVector> RawPrivate(std::span<const std::uint8_t> block) const;

    struct Impl;

private:
    explicit RsaKey(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;  // wiped and freed by the destructor
};

// Blob-level one-shots for callers that hold key file bytes.
RsaResult<ByteVector> RsaEncryptBlock(std::span<const std::uint8_t> keyBlob, std::span<const std::uint8_t> plaintext);
RsaResult<ByteVector> RsaDecryptBlock(std::span<const std::uint8_t> privateKeyBlob,
                                      std::span<const std::uint8_t> ciphertext);

struct RsaKeyPairBlobs {
    ByteVector publicBlob;   // 148 bytes
    ByteVector privateBlob;  // 596 bytes
};
RsaResult<RsaKeyPairBlobs> GenerateRsaKeyPairBlobs();

// SHA-1 of the text's bytes as 40 lower-case hexadecimal digits.
RsaResult<std::string> Sha1Hex(std::string_view text);

// Overwrites bytes so the compiler cannot drop the store.
void SecureWipe(void* data, std::size_t length);
inline void SecureWipe(std::span<std::uint8_t> bytes) {
    SecureWipe(bytes.data(), bytes.size());
}

}  // namespace tessarin
