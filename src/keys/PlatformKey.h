#pragma once
// CPlatformKey: the one small object through which the key store, the
// pipelines and the QR code reach the RSA service. It holds at most one key,
// offers one-shot operations, and shows every service failure as
// "CryptAPIエラー: " followed by the service's own error text.
//
// EncryptBlock and DecryptBlock release the key afterwards, success or not,
// so each use needs a fresh import.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/UserDialog.h"
#include "platform/crypto/RsaService.h"

namespace tessarin {

class LanguageTable;

class CPlatformKey final {
public:
    // Largest block EncryptBlock and DecryptBlock take; longer ones are
    // refused before the service is asked.
    static constexpr std::size_t kMaxBlock = 256;

    // Result codes of HexDigest.
    enum HexDigestResult : int { HexOk = 0, HexNoContext = 1, HexNoHash = 2, HexHashFailed = 3 };

    // Error messages come from texts.
    CPlatformKey(IUserDialog& dialog, const LanguageTable& texts) : m_dialog(dialog), m_texts(texts) {}
    CPlatformKey(const CPlatformKey&) = delete;
    CPlatformKey& operator=(const CPlatformKey&) = delete;
    ~CPlatformKey() = default;

    // Drops the key (its material is wiped).
    void Release();
    bool HasKey() const { return m_key.has_value(); }

    // Releases, then reads a 32-bit length and that many bytes of key blob from
    // the file (bytes behind are ignored) and imports them. False after the
    // error message. Public, private and auth key files all open (an auth key
    // yields the issuer's public key).
    [[nodiscard]] bool ImportFile(const std::filesystem::path& path);
    // The same from key file bytes in memory (length field first). The buffer
    // is wiped afterwards in every case.
    [[nodiscard]] bool ImportBuffer(ByteVector fileBytes);

    // One PKCS #1 v1.5 block under the key (its public half when a pair was
    // imported): at most 117 bytes in, 128 bytes out in CryptoAPI's byte
    // order. A block above 256 bytes is refused with no message and the key
    // kept; otherwise the key is released afterwards.
    [[nodiscard]] std::optional<ByteVector> EncryptBlock(std::span<const std::uint8_t> data);
    // The reverse with the private key; the same refusal and release rules.
    [[nodiscard]] std::optional<ByteVector> DecryptBlock(std::span<const std::uint8_t> data);

    // Writes the 32-bit length and the public key blob (a 152-byte public key
    // file) through a temporary file renamed into place. The key is kept.
    [[nodiscard]] bool ExportPublic(const std::filesystem::path& path);

    // Releases and generates a fresh 1024-bit key-exchange pair. (Deriving a
    // key-exchange key from the hash of a text is not offered: the platform
    // service never derives RSA keys from a hash.)
    [[nodiscard]] bool MakeKey();

    // SHA-1 of the text's bytes as lower-case hexadecimal ("%2.2x" per byte).
    int HexDigest(std::string_view text, std::string& hex);

    // The blobs of the held key, for callers that write key files.
    [[nodiscard]] std::optional<ByteVector> PublicBlob();
    [[nodiscard]] std::optional<ByteVector> PrivateBlob();

private:
    bool ImportBlob(std::span<const std::uint8_t> fileBytes);
    void ShowError(std::string_view text);
    template <class Operation>
    std::optional<ByteVector> UseKey(Operation operation);
    template <class Operation>
    std::optional<ByteVector> RunBlock(std::span<const std::uint8_t> data, Operation operation);

    IUserDialog& m_dialog;
    const LanguageTable& m_texts;
    std::optional<RsaKey> m_key;
};

}  // namespace tessarin
