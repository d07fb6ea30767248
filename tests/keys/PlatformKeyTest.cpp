// CPlatformKey: one key, one-shot operations, errors shown as
// "CryptAPIエラー: " plus the service's text.

#include <gtest/gtest.h>

#include <string>

#include "FilledTexts.h"
#include "Fixtures.h"
#include "ScriptedUserDialog.h"
#include "keys/KeyFiles.h"
#include "keys/PlatformKey.h"

namespace tessarin {
namespace {

namespace fs = std::filesystem;
using test::FixturePath;
using test::JapaneseTexts;
using test::ReadFileBytes;
using test::ScriptedUserDialog;
using test::TempDir;
using test::WriteFileBytes;

const std::string kPrefix = "CryptAPIエラー: ";

TEST(PlatformKey, DecryptsCryptoApiCiphertextsAfterImportingThePrivateKeyFile) {
    ScriptedUserDialog dialog;
    CPlatformKey key(dialog, JapaneseTexts());
    for (const char* msg : {"msg43", "msg112", "msg117"}) {
        SCOPED_TRACE(msg);
        ASSERT_TRUE(key.ImportFile(FixturePath("cryptoapi/northPrivate.vpri")));
        const ByteVector ct = ReadFileBytes(FixturePath(std::string("cryptoapi/") + msg + ".north.ct"));
        auto pt = key.DecryptBlock(ct);
        ASSERT_TRUE(pt);
        EXPECT_EQ(*pt, ReadFileBytes(FixturePath(std::string("cryptoapi/") + msg + ".bin")));
        EXPECT_FALSE(key.HasKey());
    }
    EXPECT_TRUE(dialog.Messages().empty());
}

TEST(PlatformKey, EncryptDecryptRoundTripNeedsAFreshImportEachTime) {
    ScriptedUserDialog dialog;
    CPlatformKey key(dialog, JapaneseTexts());
    const ByteVector msg(117, 0x5A);
    ASSERT_TRUE(key.ImportFile(FixturePath("cryptoapi/south.vpub")));
    auto ct = key.EncryptBlock(msg);
    ASSERT_TRUE(ct);
    EXPECT_EQ(ct->size(), 128u);
    EXPECT_FALSE(key.HasKey());

    ASSERT_TRUE(key.ImportFile(FixturePath("cryptoapi/southPrivate.vpri")));
    auto pt = key.DecryptBlock(*ct);
    ASSERT_TRUE(pt);
    EXPECT_EQ(*pt, msg);
    // The key went with the first use: a second decrypt fails.
    EXPECT_FALSE(key.DecryptBlock(*ct));
    ASSERT_EQ(dialog.Messages().size(), 1u);
    EXPECT_EQ(dialog.Messages()[0], kPrefix + "Key does not exist.");
}

TEST(PlatformKey, OversizedBlocksAreRefusedBeforeTheService) {
    ScriptedUserDialog dialog;
    CPlatformKey key(dialog, JapaneseTexts());
    ASSERT_TRUE(key.ImportFile(FixturePath("cryptoapi/north.vpub")));
    // 257 bytes: refused without a message; the key is untouched and still works.
    EXPECT_FALSE(key.EncryptBlock(ByteVector(257, 1)));
    EXPECT_FALSE(key.DecryptBlock(ByteVector(257, 1)));
    EXPECT_TRUE(key.HasKey());
    EXPECT_TRUE(dialog.Messages().empty());
    EXPECT_TRUE(key.EncryptBlock(ByteVector(117, 1)));

    // 256 and 118 bytes reach the service, which refuses them; the key is released.
    for (std::size_t length : {std::size_t{256}, std::size_t{118}}) {
        SCOPED_TRACE(length);
        dialog.ClearEvents();
        ASSERT_TRUE(key.ImportFile(FixturePath("cryptoapi/north.vpub")));
        EXPECT_FALSE(key.EncryptBlock(ByteVector(length, 1)));
        EXPECT_FALSE(key.HasKey());
        ASSERT_EQ(dialog.Messages().size(), 1u);
        EXPECT_EQ(dialog.Messages()[0], kPrefix + "Bad Length.");
    }
}

TEST(PlatformKey, ImportFailuresShowTheServiceErrorAndHoldNoKey) {
    TempDir dir;
    ByteVector wrongType = ReadFileBytes(FixturePath("cryptoapi/north.vpub"));
    wrongType[4] = 0x01;
    WriteFileBytes(dir / "type.vpub", wrongType);
    ByteVector huge = ReadFileBytes(FixturePath("cryptoapi/north.vpub"));
    huge[3] = 0x7F;
    WriteFileBytes(dir / "huge.vpub", huge);

    const struct {
        fs::path path;
        std::string message;
    } cases[] = {
        {dir / "type.vpub", kPrefix + "Invalid type specified."},
        {dir / "huge.vpub", kPrefix + "Bad Length."},
        {dir / "missing.vpub", kPrefix + (dir / "missing.vpub").string() + ": No such file or directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.string());
        ScriptedUserDialog dialog;
        CPlatformKey key(dialog, JapaneseTexts());
        ASSERT_TRUE(key.ImportFile(FixturePath("cryptoapi/north.vpub")));
        EXPECT_FALSE(key.ImportFile(c.path));
        EXPECT_FALSE(key.HasKey());  // the earlier key was released first
        ASSERT_EQ(dialog.Messages().size(), 1u);
        EXPECT_EQ(dialog.Messages()[0], c.message);
        EXPECT_EQ(dialog.Events()[0].messageKind, MessageKind::Error);
    }
}

TEST(PlatformKey, AuthKeyFilesImportAsTheIssuersPublicKey) {
    ScriptedUserDialog dialog;
    CPlatformKey key(dialog, JapaneseTexts());
    // The general reader ignores what follows the first blob.
    ByteVector file = ReadFileBytes(FixturePath("cryptoapi/north.vpub"));
    file.resize(kAuthKeyFileSize, 0x33);
    ASSERT_TRUE(key.ImportBuffer(file));
    auto ct = key.EncryptBlock(ByteVector{1, 2, 3});
    ASSERT_TRUE(ct);
    ASSERT_TRUE(key.ImportFile(FixturePath("cryptoapi/northPrivate.vpri")));
    EXPECT_EQ(*key.DecryptBlock(*ct), (ByteVector{1, 2, 3}));
}

TEST(PlatformKey, ExportPublicWritesThePublicKeyFile) {
    TempDir dir;
    ScriptedUserDialog dialog;
    CPlatformKey key(dialog, JapaneseTexts());
    ASSERT_TRUE(key.ImportFile(FixturePath("cryptoapi/northPrivate.vpri")));
    ASSERT_TRUE(key.ExportPublic(dir / "out.vpub"));
    EXPECT_EQ(ReadFileBytes(dir / "out.vpub"), ReadFileBytes(FixturePath("cryptoapi/north.vpub")));
    EXPECT_TRUE(key.HasKey());

    key.Release();
    EXPECT_FALSE(key.ExportPublic(dir / "none.vpub"));
    EXPECT_FALSE(fs::exists(dir / "none.vpub"));
    EXPECT_EQ(dialog.Messages().back(), kPrefix + "Key does not exist.");
}

TEST(PlatformKey, MakeKeyGeneratesAUsablePair) {
    ScriptedUserDialog dialog;
    CPlatformKey key(dialog, JapaneseTexts());
    ASSERT_TRUE(key.MakeKey());
    auto pub = key.PublicBlob();
    auto pri = key.PrivateBlob();
    ASSERT_TRUE(pub && pri);
    EXPECT_EQ(CheckPublicKeyBlob(*pub), KeyBlobProblem::None);
    EXPECT_EQ(CheckPrivateKeyBlob(*pri), KeyBlobProblem::None);
    auto ct = key.EncryptBlock(ByteVector{9});
    ASSERT_TRUE(ct);
    ASSERT_TRUE(key.ImportBuffer(BuildPublicKeyFile(*pri)));  // length + private blob
    EXPECT_EQ(*key.DecryptBlock(*ct), ByteVector{9});
}

TEST(PlatformKey, HexDigestIsLowerCaseSha1) {
    ScriptedUserDialog dialog;
    CPlatformKey key(dialog, JapaneseTexts());
    std::string hex;
    EXPECT_EQ(key.HexDigest("", hex), CPlatformKey::HexOk);
    EXPECT_EQ(hex, "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    EXPECT_EQ(key.HexDigest("abc", hex), CPlatformKey::HexOk);
    EXPECT_EQ(hex, "a9993e364706816aba3e25717850c26c9cd0d89d");
}

}  // namespace
}  // namespace tessarin
