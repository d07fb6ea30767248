#include "container/ContainerFormat.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/Crc64.h"
#include "core/Sha512.h"
#include "core/StreamCipher.h"
#include "keys/AuthSecret.h"
#include "keys/KeyFiles.h"
#include "platform/ByteIo.h"
#include "platform/Cp932.h"

namespace tessarin::container {

std::uint8_t FlagsFromOptionValue(int v) {
    if (v <= 1) return 0;
    return static_cast<std::uint8_t>(v * 2);
}

Tail BuildTail(std::int32_t recipientCount, std::int32_t payloadLength, std::uint8_t flags) {
    Tail t{};
    std::memcpy(t.data(), kMagic.data(), 4);
    StoreLe32(t.data() + 4, static_cast<std::uint32_t>(recipientCount));
    StoreLe32(t.data() + 16, static_cast<std::uint32_t>(payloadLength));
    for (std::size_t at : {std::size_t{20}, std::size_t{24}}) {
        t[at] = 1;
        t[at + 1] = 0;
        t[at + 2] = 0;
        t[at + 3] = flags;
    }
    StoreLe16(t.data() + 34, 1);
    return t;
}

void SetTailCount(Tail& tail, std::int32_t recipientCount) {
    StoreLe32(tail.data() + 4, static_cast<std::uint32_t>(recipientCount));
}

namespace {

// Largest prefix of text no longer than limit bytes that does not end inside
// a double-byte character.
std::size_t Cp932CutLength(std::string_view text, std::size_t limit) {
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t width = IsCp932LeadByte(static_cast<std::uint8_t>(text[i])) && i + 1 < text.size() ? 2 : 1;
        if (i + width > limit) break;
        i += width;
    }
    return i;
}

}  // namespace

std::array<std::uint8_t, kNameFieldSize> BuildNameField(std::string_view name) {
    std::array<std::uint8_t, kNameFieldSize> field{};
    std::string stored;
    if (name.size() <= kNameFieldSize) {
        stored = name;
    } else {
        // The extension starts at the last '.' after the last folder separator.
        std::size_t lastSep = std::string_view::npos;
        for (std::size_t at = 0; (at = Cp932FindAnyOf(name, "\\/", at)) != std::string_view::npos; ++at) lastSep = at;
        std::size_t dot = Cp932FindLast(name, '.');
        if (dot != std::string_view::npos && lastSep != std::string_view::npos && dot < lastSep)
            dot = std::string_view::npos;
        std::string_view stem = dot == std::string_view::npos ? name : name.substr(0, dot);
        std::string_view ext = dot == std::string_view::npos ? std::string_view{} : name.substr(dot);
        if (ext.size() > kNameFieldSize) ext = ext.substr(0, Cp932CutLength(ext, kNameFieldSize));
        stem = stem.substr(0, Cp932CutLength(stem, kNameFieldSize - ext.size()));
        stored.assign(stem);
        stored.append(ext);
    }
    std::memcpy(field.data(), stored.data(), std::min(stored.size(), kNameFieldSize));
    return field;
}

std::string StoredName(std::string_view utf8Name) {
    if (auto cp = Utf8ToCp932(utf8Name)) return *cp;
    return std::string(utf8Name);
}

std::array<std::uint8_t, kSenderRecordSize> BuildSenderRecord(std::string_view name, std::string_view mail) {
    std::array<std::uint8_t, kSenderRecordSize> r{};
    std::memcpy(r.data(), name.data(), std::min(name.size(), kSenderNameSize));
    std::memcpy(r.data() + kSenderNameSize, mail.data(), std::min(mail.size(), kSenderMailSize));
    return r;
}

std::array<std::uint8_t, kRsaPlainSize> RsaPlaintext(const RecipientFields& f) {
    std::array<std::uint8_t, kRsaPlainSize> p{};
    std::memcpy(p.data(), f.fileKey.data(), kFileKeySize);
    std::memcpy(p.data() + 32, f.name.data(), kNameFieldSize);
    StoreLe32(p.data() + 108, f.version);
    return p;
}

std::array<std::uint8_t, kProtectedSize> ProtectedPlaintext(const RecipientFields& f) {
    std::array<std::uint8_t, kProtectedSize> p{};
    std::memcpy(p.data() + kProtAuth, f.authValue.data(), 32);
    std::memcpy(p.data() + kProtMachine, f.machineDigest.data(), 4);
    const auto t = f.encryptionTime.ToBytes();
    std::memcpy(p.data() + kProtTime, t.data(), t.size());
    StoreLe32(p.data() + kProtLimit, f.limitSeconds);
    std::memcpy(p.data() + kProtKeyDigest, f.privateKeyDigest.data(), 32);
    const auto s = f.limitStart.ToBytes();
    std::memcpy(p.data() + kProtLimitStart, s.data(), s.size());
    StoreLe32(p.data() + kProtCount, f.decryptionCount);
    StoreLe32(p.data() + kProtSenderCheck, f.senderKeyCheck);
    return p;
}

std::array<std::uint8_t, kProtectedSize> CryptProtectedBlock(std::span<const std::uint8_t, kProtectedSize> block,
                                                             std::span<const std::uint8_t, kFileKeySize> fileKey) {
    CStreamCipher cipher;
    cipher.SetWordCount(CStreamCipher::kWordCount);
    cipher.SetKey(fileKey);
    std::array<std::uint8_t, kProtectedSize> out{};
    cipher.Crypt(block.data(), block.size(), out.data());
    cipher.Clear(false);
    return out;
}

Record BuildRecord(const RecipientFields& f, std::uint64_t recipientFingerprint,
                   std::span<const std::uint8_t, 128> rsaBlock) {
    Record r{};
    const auto fp = Crc64Bytes(recipientFingerprint);
    std::memcpy(r.data() + kRecFingerprint, fp.data(), 8);
    auto plain = RsaPlaintext(f);
    const auto check = Crc64Bytes(Crc64(plain.data(), plain.size()));
    std::memcpy(r.data() + kRecCheck, check.data(), 8);
    std::memcpy(r.data() + kRecRsa, rsaBlock.data(), 128);
    auto prot = ProtectedPlaintext(f);
    const auto enc = CryptProtectedBlock(prot, f.fileKey);
    std::memcpy(r.data() + kRecProtected, enc.data(), kProtectedSize);
    SecureWipe(plain);
    SecureWipe(prot);
    return r;
}

// ---------------------------------------------------------------------------
// Built-in values: never change them.

// The program constant and the auth secret live with the key store, which
// makes auth keys from the same values.

const std::array<std::uint8_t, kProgramConstantSize>& ProgramConstant() {
    return AuthProgramConstant();
}

std::optional<std::array<std::uint8_t, kPrivateKeyBlockSize>> PrivateKeyBlock(std::span<const std::uint8_t> file) {
    return AuthInput(file);
}

std::optional<std::array<std::uint8_t, 32>> PrivateKeyDigest(std::span<const std::uint8_t> file) {
    return AuthSecret(file);
}

std::array<std::uint8_t, 4> MachineDigest(std::span<const std::uint8_t, 32> value, std::string_view userName,
                                          std::string_view computerName) {
    std::array<std::uint8_t, 256> block{};
    std::memcpy(block.data(), value.data(), 32);
    std::string text;
    const std::string user = StoredName(userName);
    const std::string computer = StoredName(computerName);
    // Expands the two %s of the format in order.
    std::size_t arg = 0;
    for (std::size_t i = 0; i < kMachineDigestFormat.size(); ++i) {
        if (kMachineDigestFormat[i] == '%' && i + 1 < kMachineDigestFormat.size() &&
            kMachineDigestFormat[i + 1] == 's') {
            text += arg++ == 0 ? user : computer;
            ++i;
        } else {
            text.push_back(kMachineDigestFormat[i]);
        }
    }
    std::memcpy(block.data() + 32, text.data(), std::min<std::size_t>(text.size(), 224));
    const auto digest = CSHA::Of(block);
    return {digest[29], digest[30], digest[31], digest[32]};
}

std::uint32_t SenderKeyCheck(std::span<const std::uint8_t> senderPublicBlob) {
    return KeyMarkLow(senderPublicBlob);
}

std::optional<std::string> KeyTextFromPrivateKey(std::span<const std::uint8_t> file) {
    if (file.size() < 359) return std::nullopt;
    std::string text(255, '\x01');
    for (std::size_t i = 0; i < 255; ++i) {
        const std::uint8_t b = file[104 + i];
        if (b != 0) text[i] = static_cast<char>(b);
    }
    return text;
}

std::string FileKeyText(const SystemTime& now, std::uint32_t tickCount, std::string_view sourcePath,
                        std::string_view part3) {
    char head[64];
    const int n = std::snprintf(head, sizeof head, "%2d%2d%3d%d", now.minute, now.second, now.milliseconds,
                                static_cast<int>(static_cast<std::int32_t>(tickCount)));
    std::string text(head, n > 0 ? static_cast<std::size_t>(n) : 0);
    text.append(sourcePath);
    text.append(part3);
    return text;
}

}  // namespace tessarin::container
