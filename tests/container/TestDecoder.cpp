#include "TestDecoder.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "core/Crc64.h"
#include "core/StreamCipher.h"
#include "platform/crypto/RsaService.h"

namespace tessarin::test {

namespace {

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

template <std::size_t N>
std::array<std::uint8_t, N> Slice(const std::array<std::uint8_t, 112>& b, std::size_t at) {
    std::array<std::uint8_t, N> out{};
    std::memcpy(out.data(), b.data() + at, N);
    return out;
}

DecodedContainer Fail(DecodedContainer d, const char* why) {
    d.ok = false;
    d.error = why;
    return d;
}

}  // namespace

std::array<std::uint8_t, 32> DecodedContainer::AuthValue() const {
    return Slice<32>(protectedBlock, 0);
}
std::array<std::uint8_t, 4> DecodedContainer::MachineDigest() const {
    return Slice<4>(protectedBlock, 32);
}
std::array<std::uint8_t, 16> DecodedContainer::EncryptionTime() const {
    return Slice<16>(protectedBlock, 36);
}
std::uint32_t DecodedContainer::Limit() const {
    return Le32(protectedBlock.data() + 52);
}
std::array<std::uint8_t, 32> DecodedContainer::PrivateKeyDigest() const {
    return Slice<32>(protectedBlock, 56);
}
std::array<std::uint8_t, 16> DecodedContainer::LimitStart() const {
    return Slice<16>(protectedBlock, 88);
}
std::uint32_t DecodedContainer::Count() const {
    return Le32(protectedBlock.data() + 104);
}
std::uint32_t DecodedContainer::SenderKeyCheck() const {
    return Le32(protectedBlock.data() + 108);
}

DecodedContainer DecodeContainer(const std::vector<std::uint8_t>& c, const std::vector<std::uint8_t>& pub,
                                 const std::vector<std::uint8_t>& priv) {
    DecodedContainer d;
    if (c.size() < 304) return Fail(d, "shorter than 304 bytes");
    const std::uint8_t* tail = c.data() + c.size() - 48;
    if (std::memcmp(tail, "TZA!", 4) != 0) return Fail(d, "bad magic");
    d.recordCount = static_cast<std::int32_t>(Le32(tail + 4));
    d.payloadLength = static_cast<std::int32_t>(Le32(tail + 16));
    const std::uint32_t version =
        static_cast<std::uint32_t>(tail[24]) << 24 | tail[25] << 16 | tail[26] << 8 | tail[27];
    if (version > 0x0100001F) return Fail(d, "newer version");
    if (tail[32] != 0 || tail[33] != 0 || tail[34] != 1 || tail[35] != 0 || Le32(tail + 36) != 0)
        return Fail(d, "bad fixed field");
    d.flags = tail[27];
    if (d.flags & 4) return Fail(d, "flag 4");
    if (d.recordCount < 1 || static_cast<std::uint64_t>(d.recordCount) * 256 > c.size() - 48)
        return Fail(d, "record table does not fit");
    if (d.payloadLength < 0) return Fail(d, "negative payload");
    const std::size_t table = c.size() - 48 - static_cast<std::size_t>(d.recordCount) * 256;

    // The reader's fingerprint: Crc64 of its public key blob, low word first.
    const std::uint32_t blobLength = Le32(pub.data());
    const std::uint64_t fp = Crc64(pub.data() + 4, blobLength);
    const std::uint32_t privLength = Le32(priv.data());
    const std::span<const std::uint8_t> privBlob(priv.data() + 4, privLength);

    for (std::int32_t i = 0; i < d.recordCount; ++i) {
        const std::uint8_t* rec = c.data() + table + static_cast<std::size_t>(i) * 256;
        if (Le32(rec) != static_cast<std::uint32_t>(fp) || Le32(rec + 4) != static_cast<std::uint32_t>(fp >> 32))
            continue;
        auto plain = RsaDecryptBlock(privBlob, std::span<const std::uint8_t>(rec + 16, 128));
        if (!plain || plain->size() != 112) continue;
        const std::uint64_t check = Crc64(plain->data(), plain->size());
        if (Le32(rec + 8) != static_cast<std::uint32_t>(check) ||
            Le32(rec + 12) != static_cast<std::uint32_t>(check >> 32))
            continue;
        d.recordIndex = i;
        std::memcpy(d.fileKey.data(), plain->data(), 32);
        const char* name = reinterpret_cast<const char*>(plain->data() + 32);
        d.storedName.assign(name, strnlen(name, 76));
        d.recordVersion = Le32(plain->data() + 108);
        CStreamCipher pc;
        pc.SetWordCount(8);
        pc.SetKey(std::span<const std::uint8_t>(d.fileKey));
        pc.Crypt(rec + 144, 112, d.protectedBlock.data());
        break;
    }
    if (d.recordIndex < 0) return Fail(d, "not a recipient");
    if (d.recordVersion != 0x2002 && d.recordVersion != 0x2003) return Fail(d, "record version");
    if (static_cast<std::size_t>(d.payloadLength) > table) return Fail(d, "payload past the records");

    // Payload: exactly P bytes through CryptFileRange, then the sender block.
    CStreamCipher cipher;
    cipher.SetWordCount(8);
    cipher.SetKey(std::span<const std::uint8_t>(d.fileKey));
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(fmemopen(const_cast<std::uint8_t*>(c.data()), c.size(), "rb"),
                                                       &std::fclose);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::tmpfile(), &std::fclose);
    if (!in || !out) return Fail(d, "stream");
    if (cipher.CryptFileRange(in.get(), d.payloadLength, out.get()) != d.payloadLength) return Fail(d, "short payload");
    std::fflush(out.get());
    std::rewind(out.get());
    d.payload.resize(static_cast<std::size_t>(d.payloadLength));
    if (!d.payload.empty() && std::fread(d.payload.data(), 1, d.payload.size(), out.get()) != d.payload.size())
        return Fail(d, "read back");
    if (d.flags & 8) {
        const std::size_t at = static_cast<std::size_t>(d.payloadLength);
        if (at + 84 > table) return Fail(d, "sender block past the records");
        cipher.Crypt(c.data() + at, 80, d.senderRecord.data());
        const std::uint32_t l = Le32(c.data() + at + 80);
        if (at + 84 + l > table) return Fail(d, "sender key past the records");
        d.senderKeyFile.assign(c.begin() + static_cast<std::ptrdiff_t>(at + 80),
                               c.begin() + static_cast<std::ptrdiff_t>(at + 84 + l));
    }
    d.ok = true;
    return d;
}

}  // namespace tessarin::test
