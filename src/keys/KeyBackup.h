#pragma once
// Key backup: the private key file split into two shares by a two-point
// secret sharing, and the file rebuilt from both.
//
// The file's m bytes (a zero byte appended when m is odd) are the secret s of
// ceil(m/2) 16-bit digits, least significant first. A random coefficient c one
// digit shorter than s gives the user's share s + c * x1 and the maker's share
// s + c * x2. From both, c = (maker - user) / (x2 - x1) and s = user - c * x1.
//
//   x1, the user's point: the first 14 lower-case hexadecimal digits of the
//       SHA-1 of the key set's identification text (a 56-bit value).
//   x2, the maker's point: 0x9999999999999999.
//
// Share files, <name>_user.vbky and <name>_mk.vbky in the data folder (and the
// repair copy keyFragment.vbky): a 64-bit little-endian byte count n, then the
// share as n bytes, 16-bit digits least significant first, each digit least
// significant byte first (so the whole number is little-endian).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/BigNumber.h"
#include "platform/crypto/RsaService.h"

namespace tessarin {

inline constexpr std::string_view kUserShareSuffix = "_user.vbky";
inline constexpr std::string_view kMakerShareSuffix = "_mk.vbky";
inline constexpr std::string_view kRepairFragmentFileName = "keyFragment.vbky";
inline constexpr std::string_view kMakerPointHex = "9999999999999999";
inline constexpr std::size_t kUserPointHexDigits = 14;
inline constexpr std::size_t kShareCountSize = 8;
// A share is a few digits longer than the secret; anything far beyond a key
// file's size is no share.
inline constexpr std::size_t kMaxShareBytes = 64 * 1024;

struct SharePaths {
    std::filesystem::path user;   // <dataFolder>/<name>_user.vbky
    std::filesystem::path maker;  // <dataFolder>/<name>_mk.vbky
};
SharePaths BackupSharePaths(const std::filesystem::path& dataFolder, std::string_view keySetName);

// The identification text behind x1: the key fingerprint (Crc64 of the
// PUBLICKEYBLOB) of the key set's public key as 16 lower-case hexadecimal
// digits. It depends on nothing but the key pair, so renaming the key set or
// changing the owner's name or address never changes x1, the shares can be
// joined with nothing but the public key (which partners hold too), and the
// maker's side computes x1 from the text sent in the mail body.
std::string BackupIdentificationText(std::span<const std::uint8_t> publicBlob);

// x1 from an identification text; empty when SHA-1 is unavailable or the
// point would be zero (a zero point makes the user's share the secret).
std::optional<BigNumber> UserPoint(std::string_view identificationText);
// x2.
BigNumber MakerPoint();

// Length of a number in 16-bit digits (0 for zero).
std::size_t DigitCount(const BigNumber& value);

struct KeyShares {
    BigNumber user;
    BigNumber maker;
    std::size_t secretDigits = 0;       // ceil(m/2)
    std::size_t coefficientDigits = 0;  // secretDigits - 1
};

// Splits m secret bytes. Empty when m is below 3 (no coefficient of at least
// one digit), when x1 is not below x2, or when no random bytes can be had.
std::optional<KeyShares> SplitSecret(std::span<const std::uint8_t> secret, const BigNumber& x1, const BigNumber& x2);
// The m bytes back from both shares; empty when the shares do not belong
// together (maker share not above the user share, a remainder, or a secret
// longer than m bytes, or one whose appended byte is not zero).
std::optional<ByteVector> JoinShares(const BigNumber& user, const BigNumber& maker, const BigNumber& x1,
                                     const BigNumber& x2, std::size_t byteCount);

// Share file bytes and back.
ByteVector EncodeShareFile(const BigNumber& share);
// Empty when the count does not match the file's size or exceeds kMaxShareBytes.
std::optional<BigNumber> DecodeShareFile(std::span<const std::uint8_t> fileBytes);
std::optional<BigNumber> ReadShareFile(const std::filesystem::path& path);

// Writes bytes through a temporary file beside path (owner-only while
// written), renamed into place with the mode given; path is untouched on
// failure. With noReplace an existing path is never replaced.
[[nodiscard]] bool WriteOwnerOnlyFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                                      unsigned mode, bool noReplace = false);

enum class ShareWriteStatus { Ok, SecretUnreadable, SplitFailed, WriteFailed };
// Reads the whole secret file, splits it and writes both share files (mode
// 0600). Neither share file changes unless both new ones are complete; should
// the second rename fail, the first new share is removed again, so the folder
// never holds two shares that do not belong together.
[[nodiscard]] ShareWriteStatus WriteKeyShares(const std::filesystem::path& secretFile, const BigNumber& x1,
                                              const SharePaths& paths, KeyShares* made = nullptr);

// True when both share files exist and join back to the secret file's bytes
// exactly: shares left from an earlier key of the same name do not.
bool SharesRestoreFile(const SharePaths& paths, const BigNumber& x1, const std::filesystem::path& secretFile);

enum class KeyRestoreStatus {
    Ok,
    UserShareUnreadable,
    MakerShareUnreadable,
    PublicKeyUnreadable,
    NoMatch,       // the shares do not give this public key's private key file
    OutputExists,  // out is already there: never replaced
    WriteFailed,
};
// Rebuilds the private key file from both shares: x1 from the public key, the
// byte count m from the restored length field (length + 52), then the file
// must be a complete private key file of that public key (same modulus and
// exponent, and a block enciphered with the public key deciphers with it).
// The file is written through a temporary file, mode 0400; on any failure
// nothing is written.
[[nodiscard]] KeyRestoreStatus RestorePrivateKeyFile(const std::filesystem::path& userShare,
                                                     const std::filesystem::path& makerShare,
                                                     const std::filesystem::path& publicKeyFile,
                                                     const std::filesystem::path& out);

}  // namespace tessarin
