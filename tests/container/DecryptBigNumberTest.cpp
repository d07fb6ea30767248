// The program's own big-number arithmetic and the text-form record lookup
// built on it.

#include <gtest/gtest.h>

#include <cstring>

#include "DecryptTestSupport.h"
#include "Fixtures.h"
#include "ScriptedUserDialog.h"
#include "VectorFile.h"
#include "container/ContainerReader.h"
#include "container/DecryptPipeline.h"
#include "core/BigNumber.h"
#include "core/Crc64.h"
#include "core/StreamCipher.h"
#include "platform/Host.h"
#include "platform/crypto/RsaService.h"

namespace tessarin::test {
namespace {

using namespace container;

BigNumber Hex(const std::string& s) {
    return *BigNumber::FromHex(s);
}

TEST(DecryptBigNumber, Vectors) {
    const auto cases = LoadVectors(TestDataPath("decrypt/bignumber.vec"));
    ASSERT_FALSE(cases.empty());
    for (const auto& c : cases) {
        if (c.Has("Base")) {
            const auto r = BigNumber::ModPow(Hex(c.Get("Base")), Hex(c.Get("Exp")), Hex(c.Get("Mod")));
            ASSERT_TRUE(r) << c.line;
            EXPECT_EQ(r->ToHex(), c.Get("Out")) << c.line;
        } else {
            const auto d = BigNumber::Divide(Hex(c.Get("A")), Hex(c.Get("D")));
            ASSERT_TRUE(d) << c.line;
            EXPECT_EQ(d->quotient.ToHex(), c.Get("Quotient")) << c.line;
            EXPECT_EQ(d->remainder.ToHex(), c.Get("Remainder")) << c.line;
        }
    }
}

TEST(DecryptBigNumber, EdgeValues) {
    EXPECT_EQ(BigNumber().ToHex(), "0");
    EXPECT_FALSE(BigNumber::ModPow(BigNumber(5), BigNumber(3), BigNumber()));
    EXPECT_FALSE(BigNumber::Divide(BigNumber(5), BigNumber()));
    EXPECT_EQ(BigNumber::ModPow(BigNumber(5), BigNumber(), BigNumber(7))->ToHex(), "1");
    EXPECT_EQ(BigNumber::ModPow(BigNumber(5), BigNumber(3), BigNumber(1))->ToHex(), "0");
    EXPECT_EQ(BigNumber::ModPow(BigNumber(4), BigNumber(13), BigNumber(497))->ToHex(), "1bd");  // 445
    EXPECT_FALSE(BigNumber::Subtract(BigNumber(1), BigNumber(2)));
    EXPECT_EQ(BigNumber::Subtract(*BigNumber::FromHex("100000000"), BigNumber(1))->ToHex(), "ffffffff");
    EXPECT_EQ(
        BigNumber::Multiply(*BigNumber::FromHex("ffffffffffffffff"), *BigNumber::FromHex("ffffffffffffffff")).ToHex(),
        "fffffffffffffffe0000000000000001");
    EXPECT_FALSE(BigNumber::FromHex("12g4"));
    // Byte forms.
    const std::vector<std::uint8_t> be{0x00, 0x01, 0x02, 0x03, 0x04};
    const auto n = BigNumber::FromBytesBigEndian(be);
    EXPECT_EQ(n.ToHex(), "1020304");
    EXPECT_EQ(*n.ToBytesBigEndian(5), be);
    EXPECT_EQ(*n.ToBytesLittleEndian(4), (std::vector<std::uint8_t>{4, 3, 2, 1}));
    EXPECT_FALSE(n.ToBytesBigEndian(3));
    // Division where the quotient estimate needs its correction step.
    const auto d = BigNumber::Divide(*BigNumber::FromHex("7fffffff800000010000000000000000"),
                                     *BigNumber::FromHex("800000008000000200000005"));
    ASSERT_TRUE(d);
    const auto back =
        BigNumber::Add(BigNumber::Multiply(d->quotient, *BigNumber::FromHex("800000008000000200000005")), d->remainder);
    EXPECT_EQ(back.ToHex(), "7fffffff800000010000000000000000");
}

TEST(DecryptBigNumber, PrivateOperationAgreesWithTheRsaService) {
    const auto pub = ReadFileBytes(FixturePath("cryptoapi/north.vpub"));
    const auto pri = ReadFileBytes(FixturePath("cryptoapi/northPrivate.vpri"));
    const auto modulus = BigNumber::FromBytesLittleEndian(std::span<const std::uint8_t>(pub.data() + 24, 128));
    const auto exponent = BigNumber::FromBytesLittleEndian(std::span<const std::uint8_t>(pri.data() + 472, 128));
    auto key = RsaKey::Import(std::span<const std::uint8_t>(pri.data() + 4, 596));
    ASSERT_TRUE(key) << key.Error();
    for (std::uint32_t seed = 1; seed <= 4; ++seed) {
        auto block = PatternBytes(128, seed);
        block[127] &= 0x3F;  // below the modulus
        const auto expected = key->RawPrivate(block);
        ASSERT_TRUE(expected) << expected.Error();
        const auto ours = BigNumber::ModPow(BigNumber::FromBytesLittleEndian(block), exponent, modulus);
        ASSERT_TRUE(ours);
        EXPECT_EQ(*ours->ToBytesLittleEndian(128), *expected) << seed;
        // And the public exponent takes it back.
        EXPECT_EQ(*BigNumber::ModPow(*ours, BigNumber(65537), modulus), BigNumber::FromBytesLittleEndian(block));
    }
}

// A container whose record carries the text-form fingerprint and a raw RSA
// block of the file key.
std::vector<std::uint8_t> TextFormContainer(const KeySet& keys, const std::vector<std::uint8_t>& payload,
                                            const std::array<std::uint8_t, 32>& fileKey, bool notAuthorized = false) {
    ContainerSpec plain;
    plain.payload = payload;
    plain.fileKey = fileKey;
    // Payload only: build one ordinary record and replace it.
    RecipientSpec recipient;
    recipient.keys = &keys;
    plain.recipients.push_back(recipient);
    auto bytes = BuildContainer(plain);
    const std::size_t record = bytes.size() - 48 - 256;
    std::memset(bytes.data() + record, 0, 256);
    const auto fp = Crc64Bytes(*TextFormFingerprint(keys.publicFile));
    std::memcpy(bytes.data() + record, fp.data(), 8);
    std::vector<std::uint8_t> block(128, 0);
    std::memcpy(block.data(), fileKey.data(), 32);
    block[100] = 0x5A;  // something beyond the key
    const auto modulus =
        BigNumber::FromBytesLittleEndian(std::span<const std::uint8_t>(keys.publicFile.data() + 24, 128));
    const auto raw = BigNumber::ModPow(BigNumber::FromBytesLittleEndian(block), BigNumber(65537), modulus);
    const auto le = raw->ToBytesLittleEndian(128);
    std::memcpy(bytes.data() + record + 16, le->data(), 128);
    if (notAuthorized) bytes[bytes.size() - 48 + 32] = 1;
    return bytes;
}

TEST(DecryptTextForm, FingerprintIsCrcOfTheModulusInLowerCaseHex) {
    const auto pub = ReadFileBytes(FixturePath("cryptoapi/north.vpub"));
    std::string hex;
    char digits[3];
    for (int i = 127; i >= 0; --i) {
        std::snprintf(digits, sizeof digits, "%02x", pub[24 + static_cast<std::size_t>(i)]);
        hex += digits;
    }
    ASSERT_EQ(hex.size(), 256u);
    EXPECT_EQ(*TextFormFingerprint(pub), Crc64(reinterpret_cast<const std::uint8_t*>(hex.data()), hex.size()));
    EXPECT_FALSE(TextFormFingerprint(std::vector<std::uint8_t>(151)));
}

TEST(DecryptTextForm, LookupFindsTheRecordAndDecryptsExactlyP) {
    const KeySet north = FixtureKeys("north");
    std::array<std::uint8_t, 32> fileKey{};
    for (std::size_t i = 0; i < 32; ++i) fileKey[i] = static_cast<std::uint8_t>(200 - i);
    const auto payload = PatternBytes(3000, 3);
    const auto bytes = TextFormContainer(north, payload, fileKey);

    MemoryContainerStore store(bytes);
    ReaderKeys keys;
    keys.publicKeyFile = north.publicFile;
    keys.privateKeyFile = north.privateFile;
    const auto found = TextFormLookup(store, keys);
    ASSERT_EQ(found.kind, TextFormResult::Found);
    EXPECT_EQ(found.index, 0);
    EXPECT_EQ(found.fileKey, fileKey);

    // Through the pipeline: the output takes the container's name less its extension.
    TempDir dir;
    FixedHost host;
    ScriptedUserDialog dialog;
    CStreamCipher cipher;
    WriteFileBytes(dir / "old.bin.tza", bytes);
    DecryptRun run(host, dialog, cipher, FilledTexts());
    run.publicKeyPath = north.publicPath;
    run.privateKeyPath = north.privatePath;
    run.files = {dir / "old.bin.tza"};
    run.isOnCdRom = [](const auto&) { return false; };
    EXPECT_EQ(DecryptFiles(run, kDecryptCommand), 1);
    EXPECT_EQ(ReadFileBytes(dir / "old.bin"), payload);
}

TEST(DecryptTextForm, OrdinaryContainersDoNotMatchAndMarkedOnesAreNotAuthorized) {
    const KeySet north = FixtureKeys("north");
    ReaderKeys keys;
    keys.publicKeyFile = north.publicFile;
    keys.privateKeyFile = north.privateFile;
    const auto ordinary = BuildContainer(DefaultSpec(north, SystemTimeFromTimeT(1700000000)));
    MemoryContainerStore a(ordinary);
    EXPECT_EQ(TextFormLookup(a, keys).kind, TextFormResult::NotFound);
    MemoryContainerStore b(TextFormContainer(north, {1, 2, 3}, {}, true));
    EXPECT_EQ(TextFormLookup(b, keys).kind, TextFormResult::NotAuthorized);
}

}  // namespace
}  // namespace tessarin::test
