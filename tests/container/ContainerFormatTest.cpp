#include <gtest/gtest.h>

#include <cstring>

#include "Fixtures.h"
#include "TestDecoder.h"
#include "container/ContainerFormat.h"
#include "core/Sha512.h"
#include "keys/AuthSecret.h"
#include "keys/KeyFiles.h"

namespace tessarin {
namespace {

using namespace container;

TEST(ContainerFormat, FlagsFromOptionValue) {
    const std::pair<int, int> cases[] = {{0, 0}, {1, 0}, {4, 8}, {5, 10}, {8, 16}, {9, 18}, {12, 24}, {13, 26}};
    for (auto [v, flags] : cases) EXPECT_EQ(FlagsFromOptionValue(v), flags) << "V=" << v;
}

TEST(ContainerFormat, TailBytes) {
    const Tail t = BuildTail(3, 0x01020304, 0x18);
    const std::uint8_t expected[48] = {'T', 'Z', 'A', '!', 3, 0, 0, 0,    0, 0, 0, 0,    0, 0, 0, 0,
                                       4,   3,   2,   1,   1, 0, 0, 0x18, 1, 0, 0, 0x18, 0, 0, 0, 0,
                                       0,   0,   1,   0,   0, 0, 0, 0,    0, 0, 0, 0,    0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(t.data(), expected, 48));
}

std::string FieldText(const std::array<std::uint8_t, kNameFieldSize>& f) {
    return std::string(reinterpret_cast<const char*>(f.data()), strnlen(reinterpret_cast<const char*>(f.data()), 76));
}

TEST(ContainerFormat, NameFieldKeepsTheExtensionWhole) {
    const std::string stem60(60, 's');
    const std::string ext20 = "." + std::string(19, 'e');
    struct Case {
        std::string name;
        std::string stored;
    } cases[] = {
        {"a.txt", "a.txt"},
        {stem60 + ext20, std::string(56, 's') + ext20},
        {std::string(76, 'n'), std::string(76, 'n')},
        {std::string(80, 'n'), std::string(76, 'n')},
        {std::string(72, 'x') + ".txt", std::string(72, 'x') + ".txt"},
        {std::string(73, 'x') + ".txt", std::string(72, 'x') + ".txt"},
        // A cut never leaves half of a double-byte character ("\x82\xa0" is one).
        {[] {
             std::string s;
             for (int i = 0; i < 40; ++i) s += "\x82\xa0";
             return s + ".txt";
         }(),
         [] {
             std::string s;
             for (int i = 0; i < 36; ++i) s += "\x82\xa0";
             return s + ".txt";
         }()},
    };
    for (const auto& c : cases) EXPECT_EQ(FieldText(BuildNameField(c.name)), c.stored) << c.name;
    // 76 bytes: no terminator inside the field.
    const auto full = BuildNameField(std::string(76, 'n'));
    EXPECT_EQ(full[75], 'n');
}

TEST(ContainerFormat, RecordLayout) {
    RecipientFields f;
    for (std::size_t i = 0; i < 32; ++i) f.fileKey[i] = static_cast<std::uint8_t>(i + 1);
    f.name = BuildNameField("a.txt");
    f.limitSeconds = 0x11223344;
    f.senderKeyCheck = 0xA1B2C3D4;
    f.decryptionCount = 0;
    const auto rsaPlain = RsaPlaintext(f);
    EXPECT_EQ(rsaPlain[0], 1);
    EXPECT_EQ(rsaPlain[31], 32);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(rsaPlain.data() + 32)), "a.txt");
    EXPECT_EQ(rsaPlain[108], 0x02);
    EXPECT_EQ(rsaPlain[109], 0x20);
    const auto prot = ProtectedPlaintext(f);
    EXPECT_EQ(prot[52], 0x44);
    EXPECT_EQ(prot[55], 0x11);
    EXPECT_EQ(prot[108], 0xD4);
    EXPECT_EQ(prot[111], 0xA1);

    std::array<std::uint8_t, 128> rsa{};
    rsa.fill(0xEE);
    const Record r = BuildRecord(f, 0x0102030405060708ULL, rsa);
    // Fingerprint low word first.
    EXPECT_EQ(r[0], 0x08);
    EXPECT_EQ(r[4], 0x04);
    EXPECT_EQ(r[16], 0xEE);
    EXPECT_EQ(r[143], 0xEE);
    // The protected block decrypts under a fresh cipher keyed with the file key.
    std::array<std::uint8_t, kProtectedSize> enc{};
    std::memcpy(enc.data(), r.data() + 144, kProtectedSize);
    EXPECT_EQ(CryptProtectedBlock(enc, f.fileKey), prot);
}

TEST(ContainerFormat, PrivateKeyDigestAndKeyText) {
    const auto priv = test::ReadFileBytes(test::FixturePath("cryptoapi/northPrivate.vpri"));
    const auto block = PrivateKeyBlock(priv);
    ASSERT_TRUE(block);
    EXPECT_EQ(0, std::memcmp(block->data(), priv.data() + 600, 48));
    EXPECT_EQ(0, std::memcmp(block->data() + 48, priv.data() + 200, 300));
    EXPECT_EQ(0, std::memcmp(block->data() + 348, ProgramConstant().data(), 19));
    for (std::size_t i = 367; i < 386; ++i) EXPECT_EQ((*block)[i], 0xB6);
    const auto digest = PrivateKeyDigest(priv);
    ASSERT_TRUE(digest);
    const auto sha = CSHA::Of(*block);
    EXPECT_EQ(0, std::memcmp(digest->data(), sha.data(), 32));
    // Too short or a length past the end: no digest.
    EXPECT_FALSE(PrivateKeyDigest(std::vector<std::uint8_t>(priv.begin(), priv.begin() + 499)));
    auto broken = priv;
    broken[1] = 0x10;
    EXPECT_FALSE(PrivateKeyDigest(broken));

    const auto text = KeyTextFromPrivateKey(priv);
    ASSERT_TRUE(text);
    ASSERT_EQ(text->size(), 255u);
    for (std::size_t i = 0; i < 255; ++i) {
        const std::uint8_t b = priv[104 + i];
        EXPECT_EQ(static_cast<std::uint8_t>((*text)[i]), b == 0 ? 1 : b);
    }
}

TEST(ContainerFormat, FileKeyTextFormat) {
    SystemTime t;
    t.minute = 5;
    t.second = 7;
    t.milliseconds = 9;
    EXPECT_EQ(FileKeyText(t, 123456, "/p/a.txt", "KEY"), " 5 7  9123456/p/a.txtKEY");
    t.minute = 59;
    t.second = 59;
    t.milliseconds = 999;
    EXPECT_EQ(FileKeyText(t, 0, "x", ""), "59599990x");
}

TEST(ContainerFormat, MachineDigestFollowsNames) {
    std::array<std::uint8_t, 32> value{};
    const auto a = MachineDigest(value, "alice", "box");
    EXPECT_EQ(a, MachineDigest(value, "alice", "box"));
    EXPECT_NE(a, MachineDigest(value, "alice", "box2"));
    EXPECT_NE(a, MachineDigest(value, "bob", "box"));
    // The digest is bytes 29-32 of SHA-512 over value + text, zero-padded to 256.
    std::array<std::uint8_t, 256> block{};
    const std::string text = "Tessarin:user=alice;machine=box;.";
    std::memcpy(block.data() + 32, text.data(), text.size());
    const auto sha = CSHA::Of(block);
    EXPECT_EQ(a, (std::array<std::uint8_t, 4>{sha[29], sha[30], sha[31], sha[32]}));
}

// A container written by an independent implementation decodes with the
// north key set: the byte layout matches.
TEST(ContainerFormat, FixtureFromAnIndependentWriterDecodes) {
    const auto container = test::ReadFileBytes(test::FixturePath("containers/south-to-north.txt.tza"));
    const auto pub = test::ReadFileBytes(test::FixturePath("cryptoapi/north.vpub"));
    const auto priv = test::ReadFileBytes(test::FixturePath("cryptoapi/northPrivate.vpri"));
    const auto expected = test::ReadFileBytes(test::FixturePath("containers/south-to-north.txt"));
    const auto d = test::DecodeContainer(container, pub, priv);
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_EQ(d.payload, expected);
    EXPECT_EQ(d.storedName, "south-to-north.txt");
    EXPECT_EQ(d.recordVersion, kRecordVersion);
    EXPECT_EQ(d.flags, 8);
    EXPECT_EQ(d.recordCount, 1);
    EXPECT_EQ(d.AuthValue(), (std::array<std::uint8_t, 32>{}));
    EXPECT_EQ(d.Limit(), 0u);
    EXPECT_EQ(d.senderKeyFile, test::ReadFileBytes(test::FixturePath("cryptoapi/south.vpub")));
    EXPECT_EQ(container.size(), expected.size() + 80 + 152 + 256 + 48);
}

}  // namespace
}  // namespace tessarin
