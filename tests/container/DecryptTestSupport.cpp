#include "DecryptTestSupport.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "Fixtures.h"
#include "container/ArchiveHistoryMan.h"
#include "core/Crc64.h"
#include "core/StreamCipher.h"
#include "platform/ByteIo.h"
#include "platform/Host.h"
#include "platform/crypto/RsaService.h"

namespace tessarin::test {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};

std::vector<std::uint8_t> CryptFileBytes(CStreamCipher& cipher, const std::vector<std::uint8_t>& data) {
    std::unique_ptr<std::FILE, FileCloser> in(std::tmpfile()), out(std::tmpfile());
    if (!data.empty()) std::fwrite(data.data(), 1, data.size(), in.get());
    std::rewind(in.get());
    if (!cipher.CryptFile(in.get(), out.get())) throw std::runtime_error("CryptFile failed");
    std::rewind(out.get());
    std::vector<std::uint8_t> result(data.size());
    if (!result.empty() && std::fread(result.data(), 1, result.size(), out.get()) != result.size())
        throw std::runtime_error("short read");
    return result;
}

}  // namespace

std::vector<std::uint8_t> KeySet::PublicBlob() const {
    return std::vector<std::uint8_t>(publicFile.begin() + 4, publicFile.end());
}

std::array<std::uint8_t, 32> KeySet::Digest() const {
    return *container::PrivateKeyDigest(privateFile);
}

KeySet FixtureKeys(const std::string& name) {
    KeySet k;
    k.publicPath = FixturePath("cryptoapi/" + name + ".vpub");
    k.privatePath = FixturePath("cryptoapi/" + name + "Private.vpri");
    k.publicFile = ReadFileBytes(k.publicPath);
    k.privateFile = ReadFileBytes(k.privatePath);
    return k;
}

std::vector<std::uint8_t> PatternBytes(std::size_t size, std::uint32_t seed) {
    std::vector<std::uint8_t> out(size);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& b : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<std::uint8_t>(x);
    }
    return out;
}

ContainerSpec DefaultSpec(const KeySet& reader, const SystemTime& encrypted) {
    ContainerSpec spec;
    spec.payload = PatternBytes(5000, 7);
    for (std::size_t i = 0; i < spec.fileKey.size(); ++i) spec.fileKey[i] = static_cast<std::uint8_t>(0x30 + i * 7);
    RecipientSpec r;
    r.keys = &reader;
    r.authValue = reader.Digest();
    r.privateKeyDigest = reader.Digest();
    r.encryptionTime = encrypted;
    spec.recipients.push_back(r);
    return spec;
}

std::vector<std::uint8_t> BuildContainer(const ContainerSpec& spec) {
    using namespace container;
    CStreamCipher cipher;
    cipher.SetWordCount(CStreamCipher::kWordCount);
    cipher.SetKey(spec.fileKey);
    std::vector<std::uint8_t> out = CryptFileBytes(cipher, spec.payload);
    const auto payloadLength = static_cast<std::int32_t>(out.size());
    if (spec.withSender) {
        auto sender = BuildSenderRecord(spec.senderName, spec.senderMail);
        std::array<std::uint8_t, kSenderRecordSize> enc{};
        cipher.Crypt(sender.data(), sender.size(), enc.data());
        out.insert(out.end(), enc.begin(), enc.end());
        out.insert(out.end(), spec.senderPublicFile.begin(), spec.senderPublicFile.end());
    }
    for (const auto& r : spec.recipients) {
        RecipientFields f;
        f.fileKey = spec.fileKey;
        f.name = BuildNameField(spec.storedName);
        f.version = r.version;
        f.authValue = r.authValue;
        f.encryptionTime = r.encryptionTime;
        f.limitSeconds = r.limitSeconds;
        f.privateKeyDigest = r.privateKeyDigest;
        f.limitStart = r.limitStart;
        f.decryptionCount = r.decryptionCount;
        f.senderKeyCheck = r.senderKeyCheck;
        const auto plain = RsaPlaintext(f);
        const auto blob = r.keys->PublicBlob();
        auto rsa = RsaEncryptBlock(blob, plain);
        if (!rsa) throw std::runtime_error("RSA: " + rsa.Error());
        const auto record = BuildRecord(f, Crc64(blob), std::span<const std::uint8_t, 128>(rsa->data(), 128));
        out.insert(out.end(), record.begin(), record.end());
    }
    std::uint8_t flags = 0;
    int v = 0;
    if (spec.withSender) v += kOptionSender;
    if (spec.withHistory) v += kOptionHistory;
    if (!spec.recipients.empty() && spec.recipients[0].limitSeconds != 0) v += kOptionTimeLimit;
    flags = FlagsFromOptionValue(v);
    const auto tail = BuildTail(static_cast<std::int32_t>(spec.recipients.size()), payloadLength, flags);
    if (!spec.withHistory) {
        out.insert(out.end(), tail.begin(), tail.end());
        return out;
    }
    // The history manager appends its block and the tail.
    TempDir dir;
    const auto path = dir / "h.tza";
    WriteFileBytes(path, out);
    FixedHost host;
    CArchiveHistoryMan history(host);
    history.Open(dir.Path());
    history.SetContainer(path, tail, spec.fileKey);
    std::vector<CArchiveHistoryMan::UserEntry> users;
    for (std::size_t i = 0; i < spec.recipients.size(); ++i)
        users.push_back({"user" + std::to_string(i), "user" + std::to_string(i) + "@example.com"});
    history.SetUsers(users);
    history.Record(0, CArchiveHistoryMan::Created);
    if (!history.AppendNewHistory()) throw std::runtime_error("history append failed");
    return ReadFileBytes(path);
}

void WriteContainer(const ContainerSpec& spec, const std::filesystem::path& path) {
    WriteFileBytes(path, BuildContainer(spec));
}

std::array<std::uint8_t, container::kProtectedSize> ProtectedBlockOf(const std::vector<std::uint8_t>& bytes, int index,
                                                                     const std::array<std::uint8_t, 32>& fileKey) {
    using namespace container;
    const std::uint8_t* tail = bytes.data() + bytes.size() - kTailSize;
    const std::int32_t n = LoadLeI32(tail + 4);
    const std::size_t table = bytes.size() - kTailSize - static_cast<std::size_t>(n) * kRecordSize;
    const std::uint8_t* record = bytes.data() + table + static_cast<std::size_t>(index) * kRecordSize;
    return CryptProtectedBlock(std::span<const std::uint8_t, kProtectedSize>(record + kRecProtected, kProtectedSize),
                               fileKey);
}

}  // namespace tessarin::test
