#pragma once
// The textual forms of the own public key: the service registration link, the
// text of the on-screen QR code, the public key QR bitmap, and the import of a
// public key from the text a phone sends back.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "qr/QrEncoder.h"

namespace tessarin {

class LanguageTable;

// The own key set as the QR functions need it. Mail address and name are
// UTF-8; they travel in the system code page (CP932).
struct OwnKeyInfo {
    std::string mailAddress;
    std::string name;
    std::filesystem::path publicKeyPath;
};

// --- Pieces of the registration link ---------------------------------------------

// Standard Base64 with "=" padding and CR LF after every 76 output characters
// (none after the last line).
std::string Base64WithLineBreaks(std::string_view bytes);

// ASCII letters and digits stay, white space becomes "+", every other byte "%XX"
// with upper-case hexadecimal digits.
std::string EscapeForService(std::string_view bytes);

// The 128 modulus bytes of a public key file, most significant first, as 256
// lower-case hexadecimal digits. Empty when the file cannot be read.
std::string PublicKeyHex(const std::filesystem::path& publicKeyPath);

// The "&gt=" value: the file's creation time in seconds since 1970 UTC,
// written as the signed 32-bit number its low 32 bits make; "0" when the
// file's status cannot be read.
std::string CreationTimeField(const std::filesystem::path& publicKeyPath);

// --- Registration link and QR view text -----------------------------------------------

// base URL + "m/?" (mobile) or "d/?" (desktop) + "pk=" hex "&ma=" escaped
// address "&nm=" Base64 name "&gt=" time "&op=1&pt=0". A missing public key file
// gives an empty "pk=" and "&gt=0".
std::string BuildRegistrationUrl(bool mobile, const OwnKeyInfo& own);

// The sentence followed directly by the mobile link, in CP932: the bytes the
// on-screen QR code carries.
std::string BuildQrViewText(const LanguageTable& texts, const OwnKeyInfo& own);

// The on-screen symbol of a QR view text: level M, smallest version, best mask.
// Empty when the text cannot be encoded (the view then stays white).
std::optional<QrSymbol> EncodeQrViewText(std::string_view viewText);

// --- Public key QR bitmap ----------------------------------------------------------------

// Every byte of the public key file as two upper-case hexadecimal digits (304
// characters). Empty when the file cannot be read.
std::string PublicKeyQrText(const std::filesystem::path& publicKeyPath);

enum class QrBitmapResult { Ok, KeyUnreadable, WriteFailed };

// Encodes the public key file's text with the version-10 encoder and writes the
// 65 x 65 24-bit bitmap file through a temporary file. Nothing is written when
// the key cannot be read.
[[nodiscard]] QrBitmapResult WritePublicKeyQrBitmap(const std::filesystem::path& bitmapPath,
                                                    const std::filesystem::path& publicKeyPath);

// The default name offered for a saved copy: the public key's folder, its file
// name without extension and "-QRCode.bmp".
std::filesystem::path QrBitmapSaveName(const std::filesystem::path& publicKeyPath);

// --- QR text import ----------------------------------------------------------------------

inline constexpr std::size_t kQrImportKeyTextLength = 256;

// 1: exactly 256 characters were collected; 2: some other non-zero number;
// 3: none (no header line, or nothing after it).
enum class QrImportResult : int { Complete = 1, WrongLength = 2, Nothing = 3 };

// Collects the data lines between the header line and the end line (lines
// split at LF, trimmed, empty ones skipped) into keyText.
QrImportResult ParseQrImportText(std::string_view text, std::string& keyText);

// The message a failed import shows: result 2 and 3 have their own, anything
// else that is not Complete the general one, all from texts. Empty for
// Complete.
std::string QrImportFailureMessage(const LanguageTable& texts, QrImportResult result);

// The public key file a key text makes: the 24-byte header of a 1024-bit RSA
// exchange key, then one byte per two characters. "A"-"F" count 10-15, digits
// their value, anything else (lower-case letters too) 0. Empty unless the text
// has exactly 256 characters.
std::optional<std::string> ImportedPublicKeyBytes(std::string_view keyText);

enum class QrImportWriteResult { Ok, BadKeyText, FileError };

// Writes the public key file (replacing an old one) through a temporary file.
// FileError: the caller shows "ファイル例外が発生しました".
[[nodiscard]] QrImportWriteResult WriteImportedPublicKey(std::string_view keyText, const std::filesystem::path& path);

// The file name of an imported key: the entered name and "-authQR.vpub". Empty
// for an empty name or one that is not a plain file name (a path separator, a
// NUL byte, "." or "..").
std::string ImportedKeyFileName(std::string_view enteredName);

}  // namespace tessarin
