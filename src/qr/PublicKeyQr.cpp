#include "qr/PublicKeyQr.h"

#include <array>
#include <cstdio>

#include "core/LanguageTable.h"
#include "platform/Cp932.h"
#include "platform/FormEscape.h"
#include "platform/ServiceUrl.h"
#include "qr/QrBitmap.h"
#include "qr/QrEncoder.h"
#include "qr/QrFiles.h"
#include "qr/QrFormat.h"

namespace tessarin {
namespace {

constexpr char kLowerHex[] = "0123456789abcdef";
constexpr char kUpperHex[] = "0123456789ABCDEF";

// The system code page form of a UTF-8 text; text that does not convert is
// sent as it is.
std::string ToSystemCodePage(std::string_view utf8) {
    if (auto cp932 = Utf8ToCp932(utf8)) return *std::move(cp932);
    return std::string(utf8);
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
    return s;
}

std::uint8_t ImportNibble(char c) {
    if (c >= 'A' && c <= 'F') return static_cast<std::uint8_t>(c - 'A' + 10);
    if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
    return 0;
}

// The header of a public key file for a 1024-bit RSA exchange key with public
// exponent 65537: the length 148, BLOBHEADER and RSAPUBKEY.
constexpr std::array<std::uint8_t, 24> kPublicKeyFileHeader = {
    0x94, 0x00, 0x00, 0x00, 0x06, 0x02, 0x00, 0x00, 0x00, 0xA4, 0x00, 0x00,
    0x52, 0x53, 0x41, 0x31, 0x00, 0x04, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00,
};

}  // namespace

std::string Base64WithLineBreaks(std::string_view bytes) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string plain;
    plain.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t v = 0;
        for (std::size_t k = 0; k < 3; ++k) v = (v << 8) | (k < n ? static_cast<std::uint8_t>(bytes[i + k]) : 0U);
        plain += kAlphabet[(v >> 18) & 63];
        plain += kAlphabet[(v >> 12) & 63];
        plain += n > 1 ? kAlphabet[(v >> 6) & 63] : '=';
        plain += n > 2 ? kAlphabet[v & 63] : '=';
    }
    constexpr std::size_t kLine = 76;
    std::string out;
    for (std::size_t i = 0; i < plain.size(); i += kLine) {
        if (i > 0) out += "\r\n";
        out.append(plain, i, kLine);
    }
    return out;
}

std::string EscapeForService(std::string_view bytes) {
    return FormEscape(bytes, FormBlanks::AnyWhitespace);
}

std::string PublicKeyHex(const std::filesystem::path& publicKeyPath) {
    const auto file = ReadPublicKeyFileBytes(publicKeyPath);
    std::string hex;
    if (!file) return hex;
    for (std::size_t i = kQrModulusSize; i-- > 0;) {
        const std::uint8_t b = (*file)[kQrModulusOffset + i];
        hex += kLowerHex[b >> 4];
        hex += kLowerHex[b & 15];
    }
    return hex;
}

std::string CreationTimeField(const std::filesystem::path& publicKeyPath) {
    const auto created = FileCreationTime(publicKeyPath);
    if (!created) return "0";
    return std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(*created)));
}

std::string BuildRegistrationUrl(bool mobile, const OwnKeyInfo& own) {
    const std::string hex = PublicKeyHex(own.publicKeyPath);
    // Without a readable key the link carries no key and a time of 0.
    const std::string time = hex.empty() ? "0" : CreationTimeField(own.publicKeyPath);
    return ServiceBaseUrl() + (mobile ? "m/?" : "d/?") + "pk=" + hex +
           "&ma=" + EscapeForService(ToSystemCodePage(own.mailAddress)) +
           "&nm=" + Base64WithLineBreaks(ToSystemCodePage(own.name)) + "&gt=" + time + "&op=1" + "&pt=0";
}

std::string BuildQrViewText(const LanguageTable& texts, const OwnKeyInfo& own) {
    return ToSystemCodePage(texts[slot::kQrViewSentence]) + BuildRegistrationUrl(true, own);
}

std::optional<QrSymbol> EncodeQrViewText(std::string_view viewText) {
    return EncodeQr(QrLevel::M, 0, true, -1, viewText);
}

std::string PublicKeyQrText(const std::filesystem::path& publicKeyPath) {
    const auto file = ReadPublicKeyFileBytes(publicKeyPath);
    std::string text;
    if (!file) return text;
    for (const std::uint8_t b : *file) {
        text += kUpperHex[b >> 4];
        text += kUpperHex[b & 15];
    }
    return text;
}

QrBitmapResult WritePublicKeyQrBitmap(const std::filesystem::path& bitmapPath,
                                      const std::filesystem::path& publicKeyPath) {
    const std::string text = PublicKeyQrText(publicKeyPath);
    if (text.empty()) return QrBitmapResult::KeyUnreadable;
    const auto symbol = EncodeQrVersion10(text);  // 304 hexadecimal digits always fit
    if (!symbol) return QrBitmapResult::KeyUnreadable;
    if (!WriteFileAtomically(bitmapPath, BuildPublicKeyBitmapFile(*symbol))) return QrBitmapResult::WriteFailed;
    return QrBitmapResult::Ok;
}

std::filesystem::path QrBitmapSaveName(const std::filesystem::path& publicKeyPath) {
    return publicKeyPath.parent_path() / (publicKeyPath.stem().string() + qrformat::kQrBitmapSuffix);
}

QrImportResult ParseQrImportText(std::string_view text, std::string& keyText) {
    keyText.clear();
    bool collecting = false;
    while (!text.empty()) {
        const std::size_t lf = text.find('\n');
        const std::string_view line = Trim(text.substr(0, lf));
        text = lf == std::string_view::npos ? std::string_view{} : text.substr(lf + 1);
        if (line == qrformat::kImportEndLine) break;
        if (line == qrformat::kImportHeaderLine) {
            collecting = true;
            continue;
        }
        if (collecting && !line.empty()) keyText += line;
    }
    if (keyText.empty()) return QrImportResult::Nothing;
    return keyText.size() == kQrImportKeyTextLength ? QrImportResult::Complete : QrImportResult::WrongLength;
}

std::string QrImportFailureMessage(const LanguageTable& texts, QrImportResult result) {
    switch (result) {
        case QrImportResult::Complete:
            return {};
        case QrImportResult::WrongLength:
            return texts[slot::kQrImportTooShort];
        case QrImportResult::Nothing:
            return texts[slot::kQrImportNoHeader];
    }
    return texts[slot::kQrImportBroken];
}

std::optional<std::string> ImportedPublicKeyBytes(std::string_view keyText) {
    if (keyText.size() != kQrImportKeyTextLength) return std::nullopt;
    std::string bytes(kPublicKeyFileHeader.begin(), kPublicKeyFileHeader.end());
    for (std::size_t i = 0; i + 1 < keyText.size(); i += 2)
        bytes += static_cast<char>((ImportNibble(keyText[i]) << 4) | ImportNibble(keyText[i + 1]));
    return bytes;
}

QrImportWriteResult WriteImportedPublicKey(std::string_view keyText, const std::filesystem::path& path) {
    const auto bytes = ImportedPublicKeyBytes(keyText);
    if (!bytes) return QrImportWriteResult::BadKeyText;
    const std::span<const std::uint8_t> view(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size());
    return WriteFileAtomically(path, view) ? QrImportWriteResult::Ok : QrImportWriteResult::FileError;
}

std::string ImportedKeyFileName(std::string_view enteredName) {
    if (enteredName.empty() || enteredName == "." || enteredName == ".." ||
        enteredName.find_first_of(std::string_view("/\0", 2)) != std::string_view::npos)
        return {};
    return std::string(enteredName) + qrformat::kImportedKeySuffix;
}

}  // namespace tessarin
