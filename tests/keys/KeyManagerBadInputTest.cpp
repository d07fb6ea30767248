// Damaged input: member lists and histories with bad counts, auth keys that
// do not decipher or lack their record, key files of the wrong size, hostile
// stored names. Each gives a clear result, keeps what was read, and changes
// nothing it should not.

#include <gtest/gtest.h>

#include "KeyManagerTestKit.h"
#include "VectorFile.h"
#include "keys/AuthManager.h"
#include "keys/MemberList.h"

namespace tessarin::test {
namespace {

namespace fs = std::filesystem;

TEST(BadMemberListTest, CountsNegativeHugeOrBeyondTheFile) {
    struct Case {
        const char* file;
        MemberListStatus status;
        std::vector<std::string> names;
    } cases[] = {
        {"member_negative_count.dat", MemberListStatus::BadCount, {}},
        {"member_huge_count.dat", MemberListStatus::Truncated, {"alice", "bob"}},
        {"member_beyond_file.dat", MemberListStatus::Truncated, {"alice", "bob"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TempDir tmp;
        const fs::path folder = tmp / "KeyList_me";
        fs::create_directories(folder);
        CopyFile(TestDataPath(std::string("keymanager/") + c.file), folder / "member.dat");
        FixedHost host;
        ScriptedUserDialog dialog;
        CKeyManager keys(dialog, host, JapaneseTexts());
        ASSERT_EQ(keys.OpenFolder(folder), 0);
        EXPECT_EQ(keys.AuthListStatus(), c.status);
        ASSERT_EQ(keys.AuthCount(), static_cast<int>(c.names.size()));
        for (std::size_t i = 0; i < c.names.size(); ++i) EXPECT_EQ(keys.Name(static_cast<int>(i)), c.names[i]);
        EXPECT_EQ(keys.PublicListStatus(), MemberListStatus::Ok);
        if (!c.names.empty()) {
            EXPECT_EQ(keys.AuthList()[1].keyMark, 0x0011223344556602ULL);
        }
    }
}

TEST(BadMemberListTest, ListThatCannotBeReadIsNeverWrittenOver) {
    // A negative count: the records behind it cannot be read, and writing
    // the list anew (or removing it as empty) would lose them.
    TempDir tmp;
    const fs::path folder = tmp / "KeyList_me";
    fs::create_directories(folder);
    CopyFile(TestDataPath("keymanager/member_negative_count.dat"), folder / "member.dat");
    const auto before = ReadFileBytes(folder / "member.dat");
    CopyFile(FixturePath("cryptoapi/south.vpub"), tmp / "south.vpub");
    FixedHost host;
    ScriptedUserDialog dialog;
    CKeyManager keys(dialog, host, JapaneseTexts());
    ASSERT_EQ(keys.OpenFolder(folder), 0);
    ASSERT_EQ(keys.AuthListStatus(), MemberListStatus::BadCount);
    EXPECT_EQ(keys.Register("south", "s@example.com", tmp / "south.vpub"), CKeyManager::SaveFailed);
    EXPECT_EQ(keys.Count(), 0);
    EXPECT_EQ(keys.SaveLists(), 0);
    EXPECT_EQ(ReadFileBytes(folder / "member.dat"), before);
    EXPECT_FALSE(fs::exists(folder / "pubkey_member.dat"));
    EXPECT_TRUE(fs::exists(tmp / "south.vpub"));  // refused before the move
    EXPECT_FALSE(fs::exists(folder / "south.vpub"));
}

TEST(BadMemberListTest, HostileStoredNameDeletesNothingOutside) {
    TempDir tmp;
    const fs::path folder = tmp / "a" / "b" / "KeyList_me";
    fs::create_directories(folder);
    WriteFileBytes(tmp / "a" / "outside.vpub", {1});
    CopyFile(TestDataPath("keymanager/member_hostile_name.dat"), folder / "pubkey_member.dat");
    FixedHost host;
    ScriptedUserDialog dialog;
    CKeyManager keys(dialog, host, JapaneseTexts());
    ASSERT_EQ(keys.OpenFolder(folder), 0);
    ASSERT_EQ(keys.Count(), 1);
    EXPECT_FALSE(keys.Delete(0, true));
    EXPECT_TRUE(fs::exists(tmp / "a" / "outside.vpub"));
    EXPECT_EQ(keys.Count(), 1);
    EXPECT_FALSE(keys.Move(0, tmp.Path()));
    EXPECT_TRUE(fs::exists(tmp / "a" / "outside.vpub"));
}

TEST(BadAuthHistoryTest, CountsNegativeHugeOrBeyondTheFile) {
    struct Case {
        const char* file;
        CAuthManager::LoadStatus status;
        std::vector<std::string> names;
    } cases[] = {
        {"authhistory_negative_count.dat", CAuthManager::LoadStatus::BadCount, {}},
        {"authhistory_huge_count.dat", CAuthManager::LoadStatus::Truncated, {"alice.vpub", "bob.vpub"}},
        {"authhistory_beyond_file.dat", CAuthManager::LoadStatus::Truncated, {"alice.vpub", "bob.vpub"}},
        {"authhistory_short_count.dat", CAuthManager::LoadStatus::Truncated, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        CAuthManager history;
        EXPECT_EQ(history.load(TestDataPath(std::string("keymanager/") + c.file)), c.status);
        ASSERT_EQ(history.Entries().size(), c.names.size());
        for (std::size_t i = 0; i < c.names.size(); ++i) {
            EXPECT_EQ(history.Entries()[i].fileName, c.names[i]);
            EXPECT_EQ(history.rows(JapaneseTexts())[i][1], "2026/12/10 09:30");
        }
    }
    // A missing history is empty; a save of what was kept reads back whole.
    TempDir tmp;
    CAuthManager history;
    EXPECT_EQ(history.load(tmp / "authhistory.dat"), CAuthManager::LoadStatus::Ok);
    ASSERT_EQ(history.load(TestDataPath("keymanager/authhistory_huge_count.dat")), CAuthManager::LoadStatus::Truncated);
    ASSERT_EQ(history.save(tmp / "authhistory.dat"), 1);
    EXPECT_EQ(fs::file_size(tmp / "authhistory.dat"), 4u + 2u * 304u);
    CAuthManager reread;
    ASSERT_EQ(reread.load(tmp / "authhistory.dat"), CAuthManager::LoadStatus::Ok);
    EXPECT_EQ(reread.Entries(), history.Entries());
}

TEST(BadAuthHistoryTest, HistoryThatCannotBeReadIsNeverWrittenOver) {
    TempDir tmp;
    TestUser north(tmp / "north");
    ASSERT_TRUE(north.AdoptFixtureKeySet("north", "north", "n@example.com").Ok());
    const fs::path historyPath = north.keys.KeyFolderPath() / "authhistory.dat";
    CopyFile(TestDataPath("keymanager/authhistory_negative_count.dat"), historyPath);
    const auto before = ReadFileBytes(historyPath);
    CopyFile(FixturePath("cryptoapi/south.vpub"), tmp / "south.vpub");
    // The auth key is still made; the history is left as it was.
    EXPECT_EQ(north.Authenticate(tmp / "south.vpub"), tmp / "south))north-auth.vpub");
    EXPECT_EQ(ReadFileBytes(historyPath), before);
}

class BadAuthKeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(north.AdoptFixtureKeySet("north", "north", "n@example.com").Ok());
        folder = north.keys.KeyFolderPath();
        good = ReadFileBytes(folder / "north))north-auth.vpub");
        ASSERT_EQ(good.size(), kAuthKeyFileSize);
    }
    TempDir tmp;
    TestUser north{tmp / "north"};
    fs::path folder;
    std::vector<std::uint8_t> good;
};

TEST_F(BadAuthKeyTest, RecordThatDoesNotDecipher) {
    auto bad = good;
    for (std::size_t i = 156; i < bad.size(); ++i) bad[i] = static_cast<std::uint8_t>(i * 7);
    WriteFileBytes(folder / "north))x-auth.vpub", bad);
    AuthRecord record;
    EXPECT_EQ(north.keys.ReadAuthRecord(folder / "north))x-auth.vpub", record, true), CKeyManager::AuthRecordBad);
    EXPECT_EQ(north.keys.Register("x", "", folder / "north))x-auth.vpub"), CKeyManager::AuthRecordUnreadable);
    EXPECT_EQ(north.keys.Count(), 1);
    RecipientKeyInfo info;
    EXPECT_EQ(north.keys.RecipientKey(folder / "north))x-auth.vpub", info), RecipientKeyStatus::WrongKey);
    EXPECT_EQ(info.authValue, (std::array<std::uint8_t, 32>{}));
}

TEST_F(BadAuthKeyTest, AuthKeyMadeForSomeoneElse) {
    // North's auth key for south: only south can read it.
    CopyFile(FixturePath("cryptoapi/south.vpub"), tmp / "south.vpub");
    const fs::path forSouth = north.Authenticate(tmp / "south.vpub");
    ASSERT_FALSE(forSouth.empty());
    AuthRecord record;
    EXPECT_EQ(north.keys.ReadAuthRecord(forSouth, record, true), CKeyManager::AuthRecordBad);
    EXPECT_EQ(north.keys.Register("s", "", forSouth), CKeyManager::AuthRecordUnreadable);
    EXPECT_TRUE(fs::exists(forSouth));  // refused before the move
}

TEST_F(BadAuthKeyTest, AuthKeyWithoutItsRecord) {
    WriteFileBytes(folder / "north))bare-auth.vpub", std::vector<std::uint8_t>(good.begin(), good.begin() + 152));
    RecipientKeyInfo info;
    EXPECT_EQ(north.keys.RecipientKey(folder / "north))bare-auth.vpub", info), RecipientKeyStatus::NotAuthenticated);
    // A second length running past the end.
    auto cut = good;
    cut.resize(200);
    WriteFileBytes(folder / "north))cut-auth.vpub", cut);
    EXPECT_EQ(north.keys.RecipientKey(folder / "north))cut-auth.vpub", info), RecipientKeyStatus::NotAuthenticated);
    AuthRecord record;
    EXPECT_EQ(north.keys.ReadAuthRecord(folder / "north))cut-auth.vpub", record, true), CKeyManager::AuthRecordBad);
    EXPECT_EQ(north.keys.RecipientKey(folder / "north))gone-auth.vpub", info), RecipientKeyStatus::AuthKeyMissing);
    EXPECT_EQ(north.keys.ReadAuthRecord(folder / "north))gone-auth.vpub", record, true),
              CKeyManager::AuthKeyFileMissing);
}

TEST_F(BadAuthKeyTest, MissingPrivateKey) {
    fs::rename(north.root / "northPrivate.vpri", tmp / "away.vpri");
    AuthRecord record;
    EXPECT_EQ(north.keys.ReadAuthRecord(folder / "north))north-auth.vpub", record, true),
              CKeyManager::AuthPrivateKeyMissing);
    RecipientKeyInfo info;
    EXPECT_EQ(north.keys.RecipientKey(folder / "north))north-auth.vpub", info), RecipientKeyStatus::PrivateKeyMissing);
}

TEST_F(BadAuthKeyTest, KeyFilesOfTheWrongSizeAreNotRegistered) {
    const std::vector<std::uint8_t> shorter(good.begin(), good.end() - 1);
    auto longer = good;
    longer.push_back(0);
    WriteFileBytes(folder / "north))short-auth.vpub", shorter);
    WriteFileBytes(folder / "north))long-auth.vpub", longer);
    auto pub = ReadFileBytes(FixturePath("cryptoapi/south.vpub"));
    pub.push_back(0);
    WriteFileBytes(folder / "south.vpub", pub);
    north.keys.Scan(folder);
    north.dialog.PlanYes();
    EXPECT_EQ(north.keys.RegisterUnregisteredKeys(), 0);
    EXPECT_EQ(north.dialog.Messages(),
              (std::vector<std::string>{
                  "鍵ファイル north))long-auth.vpub はTZA-P2P/Tessarinで使用できる公開鍵ではありません。",
                  "鍵ファイル north))short-auth.vpub はTZA-P2P/Tessarinで使用できる公開鍵ではありません。",
                  "鍵ファイル south.vpub はTZA-P2P/Tessarinで使用できる公開鍵ではありません。"}));
    EXPECT_EQ(north.keys.Count(), 1);
}

}  // namespace
}  // namespace tessarin::test
