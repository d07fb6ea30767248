// Key set generation, backup of the key pair, and the built-in maker keys.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <set>
#include <string>

#include "FilledTexts.h"
#include "Fixtures.h"
#include "ScriptedUserDialog.h"
#include "keys/KeyFiles.h"
#include "keys/KeyGenerator.h"
#include "keys/MakerKeys.h"
#include "platform/Paths.h"

namespace tessarin {
namespace {

namespace fs = std::filesystem;
using test::FixturePath;
using test::JapaneseTexts;
using test::ReadFileBytes;
using test::ScriptedUserDialog;
using test::TempDir;
using test::WriteFileBytes;

std::size_t EntryCount(const fs::path& dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++n;
    return n;
}

// A key generator over a scratch folder, a fixed host (tick 123456, the tick
// behind the north fixture's tag) and the Japanese texts.
class KeyGenerator : public ::testing::Test {
protected:
    KeyGenerator() { gen.SetFolder(dir.Path()); }
    TempDir dir;
    ScriptedUserDialog dialog;
    FixedHost host;
    CKeyGenerator gen{dialog, host, JapaneseTexts()};
};
class KeyBackup : public KeyGenerator {};

TEST_F(KeyGenerator, WritesAReadOnlyKeyPairWithTimeAndTag) {
    ASSERT_EQ(gen.Generate("north"), CKeyGenerator::Generated);
    EXPECT_TRUE(dialog.Messages().empty());
    EXPECT_EQ(gen.PublicKeyPath(), dir / "north.vpub");
    EXPECT_EQ(gen.PrivateKeyPath(), dir / "northPrivate.vpri");

    const ByteVector pubFile = ReadFileBytes(gen.PublicKeyPath());
    const ByteVector priFile = ReadFileBytes(gen.PrivateKeyPath());
    ASSERT_EQ(pubFile.size(), 152u);
    ASSERT_EQ(priFile.size(), 648u);
    EXPECT_TRUE(IsCompletePublicKeyFile(pubFile));
    EXPECT_TRUE(IsCompletePrivateKeyFile(priFile));
    EXPECT_TRUE(IsReadOnly(gen.PublicKeyPath()));
    EXPECT_TRUE(IsReadOnly(gen.PrivateKeyPath()));
    EXPECT_EQ(EntryCount(dir.Path()), 2u);

    auto pri = ReadPrivateKeyFile(gen.PrivateKeyPath());
    ASSERT_TRUE(pri);
    EXPECT_EQ(pri->WrittenAt(), host.LocalTime());
    const ByteVector fixture = ReadFileBytes(FixturePath("cryptoapi/northPrivate.vpri"));
    EXPECT_TRUE(std::equal(pri->Tag().begin(), pri->Tag().end(), fixture.begin() + 616));

    // The two files hold one key pair.
    auto pub = ReadPublicKeyFile(gen.PublicKeyPath());
    ASSERT_TRUE(pub);
    const ByteVector msg(117, 0x42);
    auto ct = RsaEncryptBlock(pub->blob, msg);
    ASSERT_TRUE(ct);
    auto pt = RsaDecryptBlock(pri->Blob(), *ct);
    ASSERT_TRUE(pt);
    EXPECT_EQ(*pt, msg);
}

TEST_F(KeyGenerator, PrivateKeyFileIsReadableByItsOwnerOnly) {
    ASSERT_EQ(gen.Generate("north"), CKeyGenerator::Generated);
    struct stat st {};
    ASSERT_EQ(::stat(gen.PrivateKeyPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0400u);
    ASSERT_EQ(::stat(gen.PublicKeyPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    // A name with a full stop is refused before any key is made.
    EXPECT_EQ(gen.Generate("my.keys"), CKeyGenerator::NameCharacter);
    EXPECT_FALSE(fs::exists(dir / "my.keys.vpub"));
}

TEST_F(KeyGenerator, SameTickSameTagDifferentKeys) {
    host.tick = 0x80000001u;
    ASSERT_EQ(gen.Generate("a"), CKeyGenerator::Generated);
    ASSERT_EQ(gen.Generate("b"), CKeyGenerator::Generated);
    auto a = ReadPrivateKeyFile(dir / "aPrivate.vpri");
    auto b = ReadPrivateKeyFile(dir / "bPrivate.vpri");
    ASSERT_TRUE(a && b);
    EXPECT_TRUE(std::equal(a->Tag().begin(), a->Tag().end(), b->Tag().begin()));
    const auto tag = KeySetTag(host.tick);
    EXPECT_TRUE(std::equal(tag.begin(), tag.end(), a->Tag().begin()));
    EXPECT_FALSE(std::equal(a->Blob().begin(), a->Blob().end(), b->Blob().begin()));
}

TEST_F(KeyGenerator, NameResultsComeBeforeAnyKeyWork) {
    const struct {
        std::string name;
        int result;
    } cases[] = {
        {std::string(61, 'n'), CKeyGenerator::NameLength},
        {std::string(61, 'n') + "/", CKeyGenerator::NameLength},
        {"", CKeyGenerator::NameLength},
        {"a/b", CKeyGenerator::NameCharacter},
        {"a\\b", CKeyGenerator::NameCharacter},
        {"a:b", CKeyGenerator::NameCharacter},
        {"what?", CKeyGenerator::NameCharacter},
        {"\xF0\x9F\x98\x80", CKeyGenerator::NameCharacter},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(gen.Generate(c.name), c.result);
    }
    EXPECT_EQ(EntryCount(dir.Path()), 0u);
    EXPECT_TRUE(dialog.Messages().empty());
    EXPECT_TRUE(gen.PublicKeyPath().empty());

    // 60 bytes and a double-byte character with a backslash trail byte pass.
    EXPECT_EQ(gen.Generate(std::string(60, 'n')), CKeyGenerator::Generated);
    EXPECT_EQ(gen.Generate("\xE8\xA1\xA8"), CKeyGenerator::Generated);  // 表
    EXPECT_TRUE(fs::exists(dir / "\xE8\xA1\xA8Private.vpri"));
}

TEST_F(KeyGenerator, ExistingKeyFilesAreNeverOverwritten) {
    ASSERT_EQ(gen.Generate("north"), CKeyGenerator::Generated);
    const ByteVector before = ReadFileBytes(dir / "northPrivate.vpri");
    EXPECT_EQ(gen.Generate("north"), CKeyGenerator::AlreadyExists);
    EXPECT_EQ(ReadFileBytes(dir / "northPrivate.vpri"), before);
    ASSERT_EQ(dialog.Messages().size(), 1u);
    EXPECT_EQ(dialog.Messages()[0], "鍵ファイルがすでに存在しています。別の名前を指定してください。");

    // Either file alone is enough to refuse.
    WriteFileBytes(dir / "southPrivate.vpri", ByteVector(3, 0));
    EXPECT_EQ(gen.Generate("south"), CKeyGenerator::AlreadyExists);
    EXPECT_FALSE(fs::exists(dir / "south.vpub"));
}

TEST_F(KeyGenerator, WriteFailureShowsTheMessageAndLeavesNothing) {
    gen.SetFolder(dir / "missing-folder");
    EXPECT_EQ(gen.Generate("north"), CKeyGenerator::WriteFailed);
    ASSERT_EQ(dialog.Messages().size(), 1u);
    EXPECT_EQ(dialog.Messages()[0], "鍵ファイル出力に失敗しました。\nファイル名を確認してください");
    EXPECT_EQ(EntryCount(dir.Path()), 0u);
}

TEST_F(KeyBackup, CopiesBothFilesAndReportsThePaths) {
    ASSERT_EQ(gen.Generate("north"), CKeyGenerator::Generated);
    fs::create_directory(dir / "backup");
    std::string prompt;
    auto choose = [&](std::string_view p) -> std::optional<fs::path> {
        prompt = p;
        return dir / "backup";
    };
    // Twice: the second run replaces the read-only copies of the first.
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        dialog.ClearEvents();
        ASSERT_TRUE(gen.BackupKeys(choose));
        EXPECT_EQ(prompt, "フォルダを選んでください");
        EXPECT_EQ(ReadFileBytes(dir / "backup" / "north.vpub"), ReadFileBytes(dir / "north.vpub"));
        EXPECT_EQ(ReadFileBytes(dir / "backup" / "northPrivate.vpri"), ReadFileBytes(dir / "northPrivate.vpri"));
        EXPECT_TRUE(IsReadOnly(dir / "backup" / "northPrivate.vpri"));
        struct stat st {};
        ASSERT_EQ(::stat((dir / "backup" / "northPrivate.vpri").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0400u);  // the copy of a private key is the owner's only
        ASSERT_EQ(dialog.Messages().size(), 1u);
        EXPECT_EQ(dialog.Messages()[0], "鍵の保存に成功しました.\n\n " + (dir / "backup" / "north.vpub").string() +
                                            "\n\n " + (dir / "backup" / "northPrivate.vpri").string() +
                                            "\n\n古い鍵を使用するにはバックアップされたPublic keyファイルとPrivate key"
                                            "ファイルをアプリケーションフォルダにコピーしてください.\n");
    }
    EXPECT_EQ(EntryCount(dir / "backup"), 2u);
}

TEST_F(KeyBackup, DifferentKeyFileInTheTargetIsKept) {
    // The backup folder holds an earlier key set's private key under the same
    // name: it may be the only copy of that key.
    ASSERT_EQ(gen.Generate("north"), CKeyGenerator::Generated);
    fs::create_directory(dir / "backup");
    const auto earlier = ReadFileBytes(FixturePath("cryptoapi/northPrivate.vpri"));
    WriteFileBytes(dir / "backup" / "northPrivate.vpri", earlier);
    auto choose = [&](std::string_view) -> std::optional<fs::path> { return dir / "backup"; };
    EXPECT_FALSE(gen.BackupKeys(choose));
    EXPECT_EQ(ReadFileBytes(dir / "backup" / "northPrivate.vpri"), earlier);
    EXPECT_FALSE(fs::exists(dir / "backup" / "north.vpub"));  // nothing copied
    ASSERT_EQ(dialog.Messages().size(), 1u);
    EXPECT_EQ(dialog.Messages()[0], "鍵ファイル出力に失敗しました。\nファイル名を確認してください");
}

TEST_F(KeyBackup, MissingKeysOrCancelCopyNothing) {
    bool asked = false;
    auto choose = [&](std::string_view) -> std::optional<fs::path> {
        asked = true;
        return std::nullopt;
    };
    WriteFileBytes(dir / "north.vpub", ReadFileBytes(FixturePath("cryptoapi/north.vpub")));
    EXPECT_FALSE(
        CKeyGenerator::BackupKeys(dir / "north.vpub", dir / "northPrivate.vpri", choose, dialog, JapaneseTexts()));
    EXPECT_FALSE(asked);
    ASSERT_EQ(dialog.Messages().size(), 1u);
    EXPECT_EQ(dialog.Messages()[0], "バックアップする公開鍵と秘密鍵がありません。");

    dialog.ClearEvents();
    WriteFileBytes(dir / "northPrivate.vpri", ReadFileBytes(FixturePath("cryptoapi/northPrivate.vpri")));
    EXPECT_FALSE(
        CKeyGenerator::BackupKeys(dir / "north.vpub", dir / "northPrivate.vpri", choose, dialog, JapaneseTexts()));
    EXPECT_TRUE(asked);
    EXPECT_TRUE(dialog.Messages().empty());
    EXPECT_EQ(EntryCount(dir.Path()), 2u);
}

TEST(MakerKeys, EightDistinctPublicKeyFiles) {
    std::set<ByteVector> seen;
    for (int id = kFirstMakerKeyId; id <= kLastMakerKeyId; ++id) {
        SCOPED_TRACE(id);
        const auto file = MakerPublicKeyFile(id);
        ASSERT_EQ(file.size(), 152u);
        EXPECT_TRUE(IsCompletePublicKeyFile(file));
        auto key = RsaKey::Import(file.subspan(4));
        EXPECT_TRUE(key) << key.Error();
        seen.insert(ByteVector(file.begin(), file.end()));
    }
    EXPECT_EQ(seen.size(), 8u);
    EXPECT_TRUE(MakerPublicKeyFile(338).empty());
    EXPECT_TRUE(MakerPublicKeyFile(347).empty());
}

TEST(MakerKeys, ClientKeyIsWrittenToTheDataFolderReplacingAnyOldFile) {
    TempDir dir;
    const fs::path home = dir / "home";
    ASSERT_EQ(setenv("TESSARIN_HOME", home.c_str(), 1), 0);
    ASSERT_EQ(DataHome(), home);
    ASSERT_TRUE(WriteClientMakerKey());
    const auto expected = MakerPublicKeyFile(kClientMakerKeyId);
    EXPECT_EQ(ReadFileBytes(home / "vorneloft_cl.vpub"), ByteVector(expected.begin(), expected.end()));

    WriteFileBytes(home / "vorneloft_cl.vpub", ByteVector(7, 0));
    SetReadOnly(home / "vorneloft_cl.vpub");
    ASSERT_TRUE(WriteClientMakerKey(home));
    EXPECT_EQ(ReadFileBytes(home / "vorneloft_cl.vpub"), ByteVector(expected.begin(), expected.end()));
    unsetenv("TESSARIN_HOME");
}

}  // namespace
}  // namespace tessarin
