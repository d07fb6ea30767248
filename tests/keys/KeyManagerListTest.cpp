// The key manager's model of a key folder: scanning, the two lists as one
// sequence, registering, deleting, moving, texts, key marks and look-ups.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <regex>

#include "KeyManagerTestKit.h"
#include "keys/KeyGenerator.h"
#include "keys/MemberList.h"
#include "platform/ByteIo.h"

namespace tessarin::test {
namespace {

namespace fs = std::filesystem;

UserData Record(const std::string& name, const std::string& file, std::uint64_t mark = 0) {
    UserData r;
    r.name = name;
    r.email = name + "@example.com";
    r.fileName = file;
    r.keyMark = mark;
    return r;
}

void Touch(const fs::path& p) {
    WriteFileBytes(p, {1, 2, 3});
}

TEST(KeyManagerTest, FolderNameGivesTheKeySetName) {
    EXPECT_EQ(CKeyManager::KeySetNameOfFolder("KeyList_a_b"), "a_b");
    EXPECT_EQ(CKeyManager::KeySetNameOfFolder("keyList_abc"), "abc");
    TempDir tmp;
    fs::create_directories(tmp / "KeyList_a_b");
    FixedHost host;
    ScriptedUserDialog dialog;
    CKeyManager keys(dialog, host, JapaneseTexts());
    EXPECT_EQ(keys.OpenFolder(tmp / "KeyList_a_b/"), 0);  // a trailing separator is fine
    EXPECT_EQ(keys.KeySetName(), "a_b");
    EXPECT_EQ(keys.FolderPrefix(), "KeyList_a_b");
    EXPECT_EQ(keys.KeyFolderPath(), tmp / "KeyList_a_b");
    EXPECT_EQ(keys.CurrentIndex(), -1);
    EXPECT_EQ(keys.OpenFolder(tmp / "KeyList_missing"), 1);
    EXPECT_EQ(keys.KeySetName(), "a_b");  // nothing changed
}

TEST(KeyManagerTest, ScanSortsFilesByTheirEnding) {
    TempDir tmp;
    const fs::path folder = tmp / "KeyList_me";
    fs::create_directories(folder / "friends");
    for (const char* name :
         {"X))Y-AUTH.VPUB", "me))me-auth.vpub", "me.vpub", "ME.VPUB", "Partner.VPUB", "notes.txt", "mePrivate.vpri"})
        Touch(folder / name);
    Touch(folder / "friends" / "far.vpub");
    FixedHost host;
    ScriptedUserDialog dialog;
    CKeyManager keys(dialog, host, JapaneseTexts());
    ASSERT_EQ(keys.OpenFolder(folder), 0);
    EXPECT_EQ(keys.FoundAuthKeys(), (std::vector<std::string>{"X))Y-AUTH.VPUB", "me))me-auth.vpub"}));
    EXPECT_EQ(keys.FoundPublicKeys(), std::vector<std::string>{"Partner.VPUB"});  // own key excluded in any case
    EXPECT_EQ(keys.OtherFolders(), std::vector<std::string>{"friends"});
    EXPECT_EQ(keys.ListFiles(0), std::vector<std::string>{"me))me-auth.vpub"});
    EXPECT_EQ(keys.ListFiles(1), std::vector<std::string>{"Partner.VPUB"});
    EXPECT_EQ(keys.UnregisteredFiles(),
              (std::vector<std::string>{"X))Y-AUTH.VPUB", "me))me-auth.vpub", "Partner.VPUB"}));

    // Inside an address book folder the parent is the marker entry.
    ASSERT_EQ(keys.OpenOtherFolder("friends"), 0);
    EXPECT_EQ(keys.OpenFolderPath(), folder / "friends");
    EXPECT_EQ(keys.FoundPublicKeys(), std::vector<std::string>{"far.vpub"});
    ASSERT_EQ(keys.OtherFolders(), std::vector<std::string>{".."});
    EXPECT_EQ(keys.FolderLabel(keys.OtherFolders()[0]), "上のリストに戻る");
    EXPECT_EQ(keys.KeySetName(), "me");
    ASSERT_EQ(keys.OpenOtherFolder(".."), 0);
    EXPECT_EQ(keys.OpenFolderPath(), folder);
    EXPECT_EQ(keys.OtherFolders(), std::vector<std::string>{"friends"});
    EXPECT_EQ(keys.OpenOtherFolder("elsewhere"), 1);
}

TEST(KeyManagerTest, TwoListsAreOneSequence) {
    TempDir tmp;
    const fs::path folder = tmp / "KeyList_me";
    fs::create_directories(folder);
    const std::vector<UserData> auth = {Record("a0", "me))a0-auth.vpub"), Record("a1", "me))a1-auth.vpub")};
    const std::vector<UserData> pub = {Record("p0", "p0.vpub")};
    ASSERT_TRUE(WriteMemberList(folder / "member.dat", auth));
    ASSERT_TRUE(WriteMemberList(folder / "pubkey_member.dat", pub));
    FixedHost host;
    ScriptedUserDialog dialog;
    CKeyManager keys(dialog, host, JapaneseTexts());
    ASSERT_EQ(keys.OpenFolder(folder), 0);
    EXPECT_EQ(keys.Count(), 3);
    EXPECT_EQ(keys.AuthCount(), 2);
    EXPECT_EQ(keys.Name(1), "a1");
    // The auth list's size addresses the first public key record.
    EXPECT_FALSE(keys.IsAuthIndex(2));
    EXPECT_EQ(keys.Name(2), "p0");
    EXPECT_EQ(keys.Email(2), "p0@example.com");
    EXPECT_EQ(keys.File(2), "p0.vpub");
    // Beyond the total count, and below zero: empty texts.
    EXPECT_EQ(keys.Name(3), "");
    EXPECT_EQ(keys.File(-1), "");
    EXPECT_EQ(keys.Row(3), (std::array<std::string, 6>{}));
    keys.SetCurrentIndex(3);
    EXPECT_EQ(keys.CurrentIndex(), -1);

    const auto row = keys.Row(0);
    EXPECT_EQ(row[0], "a0");
    EXPECT_EQ(row[3], "0000/00/00 00:00");
    EXPECT_EQ(row[4], "期限未設定");
    EXPECT_EQ(row[5], "未使用");
}

class RegisterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(user.AdoptFixtureKeySet("north", "north", "north@example.com").Ok());
        CopyFile(FixturePath("cryptoapi/south.vpub"), tmp / "south.vpub");
    }
    TempDir tmp;
    TestUser user{tmp / "north"};
};

TEST_F(RegisterTest, RegisteringMovesTheFileInAndKeepsItsTime) {
    ASSERT_EQ(user.keys.Register("South", "south@example.com", tmp / "south.vpub"), CKeyManager::Registered);
    EXPECT_FALSE(fs::exists(tmp / "south.vpub"));
    ASSERT_TRUE(fs::exists(user.keys.KeyFolderPath() / "south.vpub"));
    ASSERT_EQ(user.keys.Count(), 2);
    const auto row = user.keys.Row(1);
    EXPECT_EQ(row[0], "South");
    EXPECT_EQ(row[2], "south.vpub");
    EXPECT_TRUE(std::regex_match(row[3], std::regex(R"(\d{4}/\d{2}/\d{2} \d{2}:\d{2})"))) << row[3];
    EXPECT_EQ(row[4], "期限未設定");
    const auto blob = ReadPublicKeyFile(user.keys.KeyFolderPath() / "south.vpub")->blob;
    EXPECT_EQ(user.keys.Record(1)->keyMark, KeyMark(blob) & 0x00FFFFFFFFFFFFFFULL);

    // The lists were saved: a fresh manager sees the same.
    CKeyManager again(user.dialog, user.host, JapaneseTexts());
    again.SetKeyPair(user.root, "north.vpub", "northPrivate.vpri");
    ASSERT_EQ(again.OpenFolder(user.keys.KeyFolderPath()), 0);
    EXPECT_EQ(again.Count(), 2);
    EXPECT_EQ(again.Name(1), "South");
    EXPECT_EQ(again.OwnerName(), "north");
    EXPECT_EQ(again.OwnerEmail(), "north@example.com");
}

TEST_F(RegisterTest, OverlongTextsAreRefusedWithoutARecord) {
    const std::string at128(128, 'n');
    const std::string at129(129, 'n');
    EXPECT_EQ(user.keys.Register(at129, "", tmp / "south.vpub"), CKeyManager::Refused);
    EXPECT_EQ(user.keys.Register("", at129, tmp / "south.vpub"), CKeyManager::Refused);
    EXPECT_EQ(user.keys.Count(), 1);
    EXPECT_TRUE(fs::exists(tmp / "south.vpub"));  // not moved either
    EXPECT_EQ(user.keys.Register(at128, at128, tmp / "south.vpub"), CKeyManager::Registered);
    EXPECT_EQ(user.keys.Name(1), at128);
    EXPECT_EQ(user.keys.Register("x", "", tmp / "missing.vpub"), CKeyManager::NotInFolder);
}

TEST_F(RegisterTest, AListThatCannotBeSavedListsNothing) {
    // Something that is not a file stands where the list would be written.
    fs::create_directories(user.keys.KeyFolderPath() / "pubkey_member.dat" / "inside");
    EXPECT_EQ(user.keys.Register("South", "", tmp / "south.vpub"), CKeyManager::SaveFailed);
    EXPECT_EQ(user.keys.Count(), 1);
}

// A public key file from the key generator, under a file name of choice.
fs::path GeneratedPublicKey(const fs::path& folder, const std::string& keySetName, const std::string& fileName) {
    FixedHost host;
    ScriptedUserDialog dialog;
    CKeyGenerator generator(dialog, host, JapaneseTexts());
    fs::create_directories(folder);
    generator.SetFolder(folder);
    EXPECT_EQ(generator.Generate(keySetName), CKeyGenerator::Generated);
    const fs::path out = folder / fileName;
    if (generator.PublicKeyPath() != out) fs::rename(generator.PublicKeyPath(), out);
    return out;
}

// While it lives, writing past a few hundred bytes into any file fails
// (EFBIG), as on a full disk; renames, and so key file moves, still work.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

// The records on disk, as a fresh manager on the folder reads them.
std::vector<std::string> StoredFiles(const fs::path& folder) {
    std::vector<std::string> out;
    for (auto name : {"member.dat", "pubkey_member.dat"}) {
        std::vector<UserData> list;
        (void)ReadMemberList(folder / name, list);
        for (const auto& r : list) out.push_back(r.fileName);
    }
    return out;
}

TEST_F(RegisterTest, AddingNeverReplacesAnotherKeyFileOfTheSameName) {
    // East's key is registered as partner.vpub; south's arrives under that name.
    const fs::path east = GeneratedPublicKey(tmp / "east", "east", "partner.vpub");
    const auto eastBytes = ReadFileBytes(east);
    ASSERT_EQ(user.keys.Register("East", "east@example.com", east), CKeyManager::Registered);
    const fs::path folder = user.keys.KeyFolderPath();
    fs::create_directories(tmp / "inbox");
    CopyFile(tmp / "south.vpub", tmp / "inbox" / "partner.vpub");
    user.dialog.ClearEvents();

    EXPECT_EQ(user.keys.AddKeyFiles({tmp / "inbox" / "partner.vpub"}, {}), 0);
    EXPECT_EQ(user.dialog.Messages(),
              std::vector<std::string>{"鍵フォルダには同じ名前の別の鍵ファイル partner.vpub が既にあります。\n"
                                       "この鍵ファイルは登録しませんでした。"});
    EXPECT_TRUE(user.dialog.Questions().empty());  // refused before the service is offered
    EXPECT_EQ(ReadFileBytes(folder / "partner.vpub"), eastBytes);
    EXPECT_TRUE(fs::exists(tmp / "inbox" / "partner.vpub"));
    ASSERT_EQ(user.keys.Count(), 2);
    EXPECT_EQ(user.keys.Name(1), "East");
    EXPECT_EQ(user.keys.Record(1)->KeyMarkLow(), KeyMarkLow(ByteVector(eastBytes.begin() + 4, eastBytes.end())));
    // Register itself refuses it too; the same bytes again are no conflict.
    EXPECT_EQ(user.keys.Register("South", "", tmp / "inbox" / "partner.vpub"), CKeyManager::NameTaken);
    EXPECT_EQ(ReadFileBytes(folder / "partner.vpub"), eastBytes);
    CopyFile(folder / "partner.vpub", tmp / "inbox" / "partner.vpub");
    EXPECT_EQ(user.keys.Register("East", "east@example.com", tmp / "inbox" / "partner.vpub"), CKeyManager::Registered);
    EXPECT_EQ(user.keys.Count(), 2);
}

TEST_F(RegisterTest, MoveNeverReplacesAKeyFileInTheTarget) {
    ASSERT_EQ(user.keys.Register("South", "s@example.com", tmp / "south.vpub"), CKeyManager::Registered);
    const fs::path folder = user.keys.KeyFolderPath();
    const fs::path friends = folder / "friends";
    const fs::path east = GeneratedPublicKey(friends, "east", "south.vpub");  // another partner, same file name
    const auto eastBytes = ReadFileBytes(east);
    const auto southBytes = ReadFileBytes(folder / "south.vpub");

    EXPECT_FALSE(user.keys.Move(1, friends));
    EXPECT_EQ(ReadFileBytes(friends / "south.vpub"), eastBytes);
    EXPECT_EQ(ReadFileBytes(folder / "south.vpub"), southBytes);
    ASSERT_EQ(user.keys.Count(), 2);
    EXPECT_EQ(user.keys.File(1), "south.vpub");
    EXPECT_EQ(StoredFiles(folder), (std::vector<std::string>{"north))north-auth.vpub", "south.vpub"}));
    EXPECT_TRUE(StoredFiles(friends).empty());
}

TEST_F(RegisterTest, FailedMoveLeavesFileAndRecordsAsTheyWere) {
    ASSERT_EQ(user.keys.Register("South", "s@example.com", tmp / "south.vpub"), CKeyManager::Registered);
    const fs::path folder = user.keys.KeyFolderPath();
    const fs::path friends = folder / "friends";
    fs::create_directories(friends);
    const std::vector<std::string> before = {"north))north-auth.vpub", "south.vpub"};
    const auto expectUnmoved = [&] {
        EXPECT_TRUE(fs::exists(folder / "south.vpub"));
        EXPECT_FALSE(fs::exists(friends / "south.vpub"));
        ASSERT_EQ(user.keys.Count(), 2);
        EXPECT_EQ(user.keys.File(1), "south.vpub");
        EXPECT_EQ(StoredFiles(folder), before);
        EXPECT_TRUE(StoredFiles(friends).empty());
    };
    {
        SCOPED_TRACE("the target's lists cannot be written: its registration fails after the file moved");
        bool moved = true;
        {
            FileSizeLimit limit(200);
            moved = user.keys.Move(1, friends);
        }
        EXPECT_FALSE(moved);
        expectUnmoved();
    }
    {
        SCOPED_TRACE("this folder's lists cannot be written once the target registered the file");
        fs::create_directories(folder / "pubkey_member.dat.blocked");
        fs::rename(folder / "pubkey_member.dat", folder / "pubkey_member.dat.kept");
        fs::rename(folder / "pubkey_member.dat.blocked", folder / "pubkey_member.dat");
        fs::create_directories(folder / "pubkey_member.dat" / "inside");
        EXPECT_FALSE(user.keys.Move(1, friends));
        fs::remove_all(folder / "pubkey_member.dat");
        fs::rename(folder / "pubkey_member.dat.kept", folder / "pubkey_member.dat");
        expectUnmoved();
    }
    {
        SCOPED_TRACE("the target's list cannot be read");
        fs::create_directories(friends / "pubkey_member.dat" / "inside");
        EXPECT_FALSE(user.keys.Move(1, friends));
        fs::remove_all(friends / "pubkey_member.dat");
        expectUnmoved();
    }
    // And with nothing in the way the move completes.
    ASSERT_TRUE(user.keys.Move(1, friends));
    EXPECT_EQ(StoredFiles(folder), std::vector<std::string>{"north))north-auth.vpub"});
    EXPECT_EQ(StoredFiles(friends), std::vector<std::string>{"south.vpub"});
}

TEST_F(RegisterTest, AListWriteFailureIsReportedAsOne) {
    const fs::path folder = user.keys.KeyFolderPath();
    CopyFile(tmp / "south.vpub", folder / "south.vpub");
    ASSERT_EQ(user.keys.Scan(folder), 0);
    // Something that is not a file now stands where the list would be written.
    fs::create_directories(folder / "pubkey_member.dat" / "inside");
    user.dialog.ClearEvents();
    user.dialog.PlanYes();
    EXPECT_EQ(user.keys.RegisterUnregisteredKeys(), 0);
    EXPECT_EQ(user.dialog.Messages(), std::vector<std::string>{"宛先リストを書き込めませんでした。\n"
                                                               "鍵ファイル south.vpub は登録されていません。"});
    EXPECT_EQ(user.keys.Count(), 1);

    // In English, from the table the caller hands in.
    CKeyManager inEnglish(user.dialog, user.host, FilledTexts());
    inEnglish.SetKeyPair(user.keys.KeyPairFolder(), user.keys.PublicKeyName(), user.keys.PrivateKeyName());
    ASSERT_EQ(inEnglish.OpenFolder(folder), 0);
    user.dialog.ClearEvents();
    user.dialog.PlanYes();
    EXPECT_EQ(inEnglish.RegisterUnregisteredKeys(), 0);
    EXPECT_EQ(user.dialog.Messages(), std::vector<std::string>{"The address list could not be written.\n"
                                                               "The key file south.vpub was not registered."});
}

TEST_F(RegisterTest, KeysThatCanNeverWorkAreNotRegistered) {
    const auto south = ReadFileBytes(tmp / "south.vpub");
    auto zeroModulus = south;
    ASSERT_EQ(zeroModulus.size(), 152u);
    std::fill_n(zeroModulus.begin() + 24, 128, std::uint8_t{0});
    auto zeroBits = south;
    std::fill_n(zeroBits.begin() + 16, 4, std::uint8_t{0});
    WriteFileBytes(tmp / "zero.vpub", zeroModulus);
    WriteFileBytes(tmp / "nobits.vpub", zeroBits);
    user.dialog.ClearEvents();
    EXPECT_EQ(user.keys.AddKeyFiles({tmp / "zero.vpub", tmp / "nobits.vpub"}, {}), 0);
    EXPECT_EQ(
        user.dialog.Messages(),
        (std::vector<std::string>{"鍵ファイル zero.vpub はTZA-P2P/Tessarinで使用できる公開鍵ではありません。",
                                  "鍵ファイル nobits.vpub はTZA-P2P/Tessarinで使用できる公開鍵ではありません。"}));
    // Registration as such refuses it as well, and moves nothing.
    EXPECT_EQ(user.keys.Register("Z", "", tmp / "zero.vpub"), CKeyManager::Refused);
    EXPECT_TRUE(fs::exists(tmp / "zero.vpub"));
    EXPECT_EQ(user.keys.Count(), 1);
}

TEST_F(RegisterTest, DeletingTheLastRecordRemovesTheListFile) {
    ASSERT_EQ(user.keys.Register("South", "", tmp / "south.vpub"), CKeyManager::Registered);
    const fs::path list = user.keys.KeyFolderPath() / "pubkey_member.dat";
    ASSERT_TRUE(fs::exists(list));
    EXPECT_FALSE(user.keys.Delete(2, false));
    ASSERT_TRUE(user.keys.Delete(1, true));
    EXPECT_FALSE(fs::exists(list));
    EXPECT_FALSE(fs::exists(user.keys.KeyFolderPath() / "south.vpub"));
    // The self auth key's record, kept without its file... then gone too.
    ASSERT_TRUE(user.keys.Delete(0, false));
    EXPECT_FALSE(fs::exists(user.keys.KeyFolderPath() / "member.dat"));
    EXPECT_TRUE(fs::exists(user.keys.KeyFolderPath() / "north))north-auth.vpub"));
}

TEST_F(RegisterTest, MoveRegistersInTheTargetFolder) {
    ASSERT_EQ(user.keys.Register("South", "s@example.com", tmp / "south.vpub"), CKeyManager::Registered);
    const fs::path friends = user.keys.KeyFolderPath() / "friends";
    fs::create_directories(friends);
    ASSERT_TRUE(user.keys.Move(1, friends));
    EXPECT_EQ(user.keys.Count(), 1);
    EXPECT_TRUE(fs::exists(friends / "south.vpub"));
    std::vector<UserData> list;
    ASSERT_EQ(ReadMemberList(friends / "pubkey_member.dat", list), MemberListStatus::Ok);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name, "South");
    EXPECT_EQ(list[0].email, "s@example.com");
    // A move to a folder that is not there leaves the record.
    ASSERT_EQ(user.keys.OpenOtherFolder("friends"), 0);
    EXPECT_FALSE(user.keys.Move(0, tmp / "nowhere"));
    EXPECT_EQ(user.keys.Count(), 1);
    EXPECT_TRUE(fs::exists(friends / "south.vpub"));
}

TEST_F(RegisterTest, UnregisteredKeysAreOfferedAndChecked) {
    const fs::path folder = user.keys.KeyFolderPath();
    CopyFile(tmp / "south.vpub", folder / "south.vpub");
    CopyFile(tmp / "south.vpub", folder / "south2.vpub");  // the same key under another name
    auto bytes = ReadFileBytes(tmp / "south.vpub");
    bytes.push_back(0);
    WriteFileBytes(folder / "longer.vpub", bytes);  // extra bytes behind the blob
    WriteFileBytes(folder / "x))y-auth.vpub", std::vector<std::uint8_t>(283, 0));
    user.keys.Scan(folder);
    ASSERT_EQ(user.keys.UnregisteredFiles().size(), 4u);

    // No: nothing happens.
    user.dialog.PlanNo();
    EXPECT_EQ(user.keys.RegisterUnregisteredKeys(), 0);
    user.dialog.ClearEvents();

    user.dialog.PlanYes();
    EXPECT_EQ(user.keys.RegisterUnregisteredKeys(), 1);
    EXPECT_EQ(user.dialog.Questions(),
              std::vector<std::string>{"登録されていない鍵が4個発見されました。これらの鍵を登録しますか？"});
    EXPECT_EQ(user.dialog.Messages(),
              (std::vector<std::string>{
                  "鍵ファイル x))y-auth.vpub はTZA-P2P/Tessarinで使用できる公開鍵ではありません。",
                  "鍵ファイル longer.vpub はTZA-P2P/Tessarinで使用できる公開鍵ではありません。",
                  "さんの鍵、\nsouth.vpub\nを登録しました。",
                  "south2.vpubはsouth.vpubとして既に宛先リストに登録されています",
              }));
    EXPECT_EQ(user.keys.File(1), "south.vpub");
}

TEST_F(RegisterTest, AddingKeyFiles) {
    int offered = 0;
    user.dialog.PlanYes();
    EXPECT_EQ(user.keys.AddKeyFiles({tmp / "south.vpub"}, [&](const fs::path&) { ++offered; }), 1);
    EXPECT_EQ(offered, 1);
    EXPECT_EQ(
        user.dialog.Questions(),
        std::vector<std::string>{std::string("このファイルは配布可能な鍵（公開鍵）です。\nFerroloへ登録しますか？")});
    EXPECT_EQ(user.keys.File(1), "south.vpub");

    // The same key again, under another name, and a file that is no key.
    CopyFile(FixturePath("cryptoapi/south.vpub"), tmp / "again.vpub");
    WriteFileBytes(tmp / "bad.vpub", {1, 2, 3});
    user.dialog.ClearEvents();
    EXPECT_EQ(user.keys.AddKeyFiles({tmp / "again.vpub", tmp / "bad.vpub"}, {}), 0);
    EXPECT_EQ(user.dialog.Messages(),
              (std::vector<std::string>{"again.vpubは、既に公開鍵として登録されています",
                                        "鍵ファイル bad.vpub はTZA-P2P/Tessarinで使用できる公開鍵ではありません。"}));
    EXPECT_TRUE(fs::exists(tmp / "again.vpub"));
}

TEST_F(RegisterTest, FindByKeyMarkWalksEveryKeyFolderAndKeepsTheOpenOne) {
    // A second key set's folder holds south's key.
    const fs::path other = user.root / "KeyList_other";
    fs::create_directories(other);
    CKeyManager otherKeys(user.dialog, user.host, JapaneseTexts());
    otherKeys.SetKeyPair(user.root, "north.vpub", "northPrivate.vpri");
    ASSERT_EQ(otherKeys.OpenFolder(other), 0);
    ASSERT_EQ(otherKeys.Register("South", "s@example.com", tmp / "south.vpub"), CKeyManager::Registered);

    user.keys.SetKeyPair(user.root, "north.vpub", "northPrivate.vpri");  // refreshes the key folder list
    CopyFile(FixturePath("cryptoapi/south.vpub"), tmp / "look.vpub");
    UserData found;
    ASSERT_EQ(user.keys.FindByKeyMark(tmp / "look.vpub", found), 1);
    EXPECT_EQ(found.name, "South");
    EXPECT_EQ(user.keys.OpenFolderPath(), user.root / "KeyList_north");
    EXPECT_EQ(user.keys.KeySetName(), "north");

    // The sender key a container carries: the tail's offset d at end - 32,
    // the key file image at d + 80.
    const auto keyFile = ReadFileBytes(tmp / "look.vpub");
    std::vector<std::uint8_t> container(1000, 0xEE);
    const std::uint32_t d = 300;
    std::copy(keyFile.begin(), keyFile.end(), container.begin() + d + 80);
    StoreLe32(container.data() + container.size() - 32, d);
    WriteFileBytes(tmp / "sent.tza", container);
    EXPECT_EQ(user.keys.KeyMark(tmp / "sent.tza"), KeyMark(ReadPublicKeyFile(tmp / "look.vpub")->blob));
    ASSERT_EQ(user.keys.FindByKeyMark(tmp / "sent.tza", found), 1);
    EXPECT_EQ(found.name, "South");

    // A missing file is named, and the record comes back cleared.
    EXPECT_EQ(user.keys.FindByKeyMark(tmp / "gone.vpub", found), 0);
    EXPECT_EQ(found, UserData{});
    EXPECT_EQ(user.dialog.Messages().back(), (tmp / "gone.vpub").string() + "が見つかりませんでした。");
    // A key nobody registered.
    CopyFile(FixturePath("cryptoapi/north.vpub"), tmp / "north-copy.vpub");
    EXPECT_EQ(user.keys.FindByKeyMark(tmp / "north-copy.vpub", found), 1);  // the self auth key's issuer
    EXPECT_EQ(found.fileName, "north))north-auth.vpub");
}

TEST_F(RegisterTest, PersonalInfoNeedsAKeyFolder) {
    FixedHost host;
    ScriptedUserDialog dialog;
    CKeyManager empty(dialog, host, JapaneseTexts());
    EXPECT_FALSE(empty.WritePersonalInfo("a", "b"));
    EXPECT_FALSE(empty.ReadPersonalInfo());
    ASSERT_TRUE(user.keys.WritePersonalInfo("北", "kita@example.com"));
    const auto bytes = ReadFileBytes(user.keys.KeyFolderPath() / "personalinfo.dat");
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x96, 0x6B, '\n', 'k', 'i', 't', 'a', '@', 'e', 'x',
                                                'a',  'm',  'p',  'l', 'e', '.', 'c', 'o', 'm', '\n'}));
    ASSERT_TRUE(user.keys.ReadPersonalInfo());
    EXPECT_EQ(user.keys.OwnerName(), "北");
    // A value that would not come back as one line is refused, the file kept.
    for (const auto& [name, mail] :
         {std::pair{"north\nkita@evil.example", "kita@example.com"}, std::pair{"north\r", "kita@example.com"},
          std::pair{"north", "kita@example.com\n"}}) {
        EXPECT_FALSE(user.keys.WritePersonalInfo(name, mail)) << name << " / " << mail;
        EXPECT_EQ(ReadFileBytes(user.keys.KeyFolderPath() / "personalinfo.dat"), bytes);
    }
}

}  // namespace
}  // namespace tessarin::test
