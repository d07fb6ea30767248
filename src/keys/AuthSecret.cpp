#include "keys/AuthSecret.h"

#include <cstring>

#include "core/Sha512.h"
#include "core/StreamCipher.h"
#include "platform/ByteIo.h"
#include "platform/crypto/RsaService.h"

namespace tessarin {

namespace {

// The low bytes of these nineteen values, enciphered under kConstantKey, give
// the program constant. The encryption pipeline's private-key digest uses the
// same values; both must stay identical.
constexpr std::uint32_t kConstantSeed[kProgramConstantBytes] = {
    0x5A3C9E17, 0x0B71D2A4, 0x6E08F35B, 0x91C4A766, 0x2FD5E039, 0xC83B1A72, 0x47E69D0C,
    0xB2150F8E, 0x7D9A43C1, 0x03FE68B5, 0xE64D27F0, 0x58B09C2D, 0xA1733E49, 0x3CEA8514,
    0xF02761AB, 0x8E5FD3C8, 0x164BA2E7, 0xD97C0453, 0x6A21E8BE,
};
// Built-in eight-word key of the program constant (each word below 2^20).
constexpr std::uint32_t kConstantKey[8] = {
    0x0A3F1, 0xE72C4, 0x3B9D0, 0x5C6E7, 0xF1A28, 0x86D53, 0x2E0BC, 0xC4F96,
};

constexpr std::size_t kTrailerSize = 48;
constexpr std::size_t kBodyOffset = 200;
constexpr std::size_t kBodySize = 300;
constexpr std::uint8_t kFillByte = 0xB6;

}  // namespace

const std::array<std::uint8_t, kProgramConstantBytes>& AuthProgramConstant() {
    static const std::array<std::uint8_t, kProgramConstantBytes> value = [] {
        std::array<std::uint8_t, kProgramConstantBytes> plain{};
        for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<std::uint8_t>(kConstantSeed[i]);
        CStreamCipher cipher;
        cipher.SetWordCount(CStreamCipher::kWordCount);
        cipher.SetKey(kConstantKey);
        std::array<std::uint8_t, kProgramConstantBytes> out{};
        cipher.Crypt(plain.data(), plain.size(), out.data());
        cipher.Clear(false);
        return out;
    }();
    return value;
}

std::optional<std::array<std::uint8_t, kAuthInputSize>> AuthInput(std::span<const std::uint8_t> file) {
    if (file.size() < kBodyOffset + kBodySize || file.size() < 4) return std::nullopt;
    const std::uint64_t length = LoadLe32(file.data());
    if (4 + length + kTrailerSize > file.size()) return std::nullopt;
    std::array<std::uint8_t, kAuthInputSize> input{};
    std::memcpy(input.data(), file.data() + 4 + length, kTrailerSize);
    std::memcpy(input.data() + kTrailerSize, file.data() + kBodyOffset, kBodySize);
    const auto& constant = AuthProgramConstant();
    std::memcpy(input.data() + kTrailerSize + kBodySize, constant.data(), constant.size());
    std::memset(input.data() + kTrailerSize + kBodySize + kProgramConstantBytes, kFillByte, kProgramConstantBytes);
    return input;
}

std::optional<AuthSecretBytes> AuthSecret(std::span<const std::uint8_t> file) {
    auto input = AuthInput(file);
    if (!input) return std::nullopt;
    auto digest = CSHA::Of(*input);
    AuthSecretBytes secret{};
    std::memcpy(secret.data(), digest.data(), secret.size());
    SecureWipe(*input);
    SecureWipe(digest);
    return secret;
}

}  // namespace tessarin
