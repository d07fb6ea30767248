// Two users, north and south, each with a key set in a folder of its own:
// authenticating each other's public keys, registering the auth keys that
// come back, and the expiry of a limited auth key.

#include <gtest/gtest.h>

#include "KeyManagerTestKit.h"
#include "keys/AuthManager.h"
#include "keys/AuthSecret.h"

namespace tessarin::test {
namespace {

namespace fs = std::filesystem;

AuthSecretBytes SecretOf(const fs::path& privateKey) {
    const auto bytes = ReadFileBytes(privateKey);
    return *AuthSecret(bytes);
}

TEST(TwoUsersTest, FreshKeySetsAuthenticateAndRegister) {
    TempDir tmp;
    TestUser north(tmp / "north");
    TestUser south(tmp / "south");
    const auto n = north.CreateKeySet("north", "north@example.com");
    const auto s = south.CreateKeySet("south", "south@example.com");
    ASSERT_TRUE(n.Ok()) << n.status;
    ASSERT_TRUE(s.Ok()) << s.status;
    EXPECT_TRUE(north.dialog.Messages().empty());

    // Key set creation left the self auth key registered in the key folder.
    ASSERT_EQ(north.keys.Count(), 1);
    EXPECT_EQ(north.keys.Name(0), "自身のファイル暗号化用");
    EXPECT_EQ(north.keys.File(0), "north))north-auth.vpub");
    EXPECT_FALSE(fs::exists(north.root / "north))north-auth.vpub"));
    EXPECT_TRUE(IsReadOnly(n.selfAuthKey));

    // South sends its public key; north keeps it in its key folder and
    // authenticates it.
    const fs::path southPublic = north.keys.KeyFolderPath() / "south.vpub";
    CopyFile(south.root / "south.vpub", southPublic);
    const fs::path authKey = north.Authenticate(southPublic);
    ASSERT_FALSE(authKey.empty()) << ::testing::PrintToString(north.dialog.Messages());
    EXPECT_EQ(authKey, north.keys.KeyFolderPath() / "south))north-auth.vpub");
    EXPECT_EQ(fs::file_size(authKey), kAuthKeyFileSize);
    EXPECT_TRUE(IsReadOnly(authKey));
    CAuthManager history;
    ASSERT_EQ(history.load(north.keys.KeyFolderPath() / "authhistory.dat"), CAuthManager::LoadStatus::Ok);
    EXPECT_EQ(history.contains(southPublic), 1);

    // South receives the auth key and adds it: it moves into south's key
    // folder under north's name and e-mail from its record.
    fs::create_directories(tmp / "mail");
    const fs::path received = tmp / "mail" / authKey.filename();
    CopyFile(authKey, received);
    EXPECT_EQ(south.keys.AddKeyFiles({received}, {}), 1);
    EXPECT_FALSE(fs::exists(received));
    ASSERT_EQ(south.keys.Count(), 2);
    const int index = south.keys.File(0) == "south))north-auth.vpub" ? 0 : 1;
    EXPECT_EQ(south.keys.Name(index), "north");
    EXPECT_EQ(south.keys.Email(index), "north@example.com");
    EXPECT_EQ(south.keys.Row(index)[4], "期限未設定");

    // What the encryption pipeline takes: the recipients of the key folder
    // and north's auth secret from the record.
    const auto recipients = south.keys.RecipientFiles(0);
    ASSERT_EQ(recipients.size(), 2u);
    RecipientKeyInfo info;
    ASSERT_EQ(south.keys.RecipientKey(south.keys.KeyFolderPath() / "south))north-auth.vpub", info),
              RecipientKeyStatus::Ok);
    EXPECT_TRUE(info.isAuthKey);
    EXPECT_EQ(info.publicBlob, ReadPublicKeyFile(north.root / "north.vpub")->blob);
    EXPECT_EQ(info.authValue, SecretOf(north.root / "northPrivate.vpri"));

    // The sender look-up: north's key mark finds the auth key's record.
    const auto northBlob = ReadPublicKeyFile(north.root / "north.vpub")->blob;
    const auto sender = south.keys.FindSender(KeyMarkLow(northBlob));
    ASSERT_TRUE(sender);
    EXPECT_EQ(sender->name, "north");
}

TEST(TwoUsersTest, ReceivedAuthKeyIsAnsweredInKind) {
    TempDir tmp;
    TestUser north(tmp / "north");
    TestUser south(tmp / "south");
    ASSERT_TRUE(north.AdoptFixtureKeySet("north", "North Owner", "north@example.com").Ok());
    ASSERT_TRUE(south.AdoptFixtureKeySet("south", "South Owner", "south@example.com").Ok());

    // South authenticates north's key and sends north))south-auth.vpub.
    const fs::path inbox = tmp / "south-inbox";
    fs::create_directories(inbox);
    CopyFile(north.root / "north.vpub", inbox / "north.vpub");
    const fs::path fromSouth = south.Authenticate(inbox / "north.vpub");
    ASSERT_EQ(fromSouth, inbox / "north))south-auth.vpub");

    // North authenticates the received auth key: the answer is
    // south))north-auth.vpub, beside the received file.
    const fs::path northInbox = tmp / "north-inbox";
    fs::create_directories(northInbox);
    CopyFile(fromSouth, northInbox / fromSouth.filename());
    const fs::path answer = north.Authenticate(northInbox / fromSouth.filename());
    ASSERT_EQ(answer, northInbox / "south))north-auth.vpub");

    // Only south can read it, and it carries north's secret and identity.
    CopyFile(answer, south.keys.KeyFolderPath() / answer.filename());
    AuthRecord record;
    ASSERT_EQ(south.keys.ReadAuthRecord(south.keys.KeyFolderPath() / answer.filename(), record, true),
              CKeyManager::AuthRecordOk);
    EXPECT_EQ(record.secret, SecretOf(north.root / "northPrivate.vpri"));
    EXPECT_EQ(record.name, "North Owner");
    EXPECT_EQ(record.email, "north@example.com");
    EXPECT_EQ(record.reserved, 1);
    EXPECT_EQ(record.created, north.host.LocalTime());
    EXPECT_EQ(north.keys.ReadAuthRecord(answer, record, true), CKeyManager::AuthRecordBad);
    EXPECT_TRUE(record.name.empty());
}

TEST(TwoUsersTest, LimitedAuthKeyExpires) {
    TempDir tmp;
    TestUser north(tmp / "north");
    TestUser south(tmp / "south");
    ASSERT_TRUE(north.AdoptFixtureKeySet("north", "north", "north@example.com").Ok());
    ASSERT_TRUE(south.AdoptFixtureKeySet("south", "south", "south@example.com").Ok());

    // North authenticates south's key for one month from 10 December 2026.
    CopyFile(south.root / "south.vpub", tmp / "south.vpub");
    const fs::path authKey = north.Authenticate(tmp / "south.vpub", AuthLimitChoice::OneMonth);
    ASSERT_FALSE(authKey.empty());
    CAuthManager history;
    ASSERT_EQ(history.load(north.keys.KeyFolderPath() / "authhistory.dat"), CAuthManager::LoadStatus::Ok);
    ASSERT_EQ(history.Entries().size(), 2u);  // the self auth key first
    EXPECT_EQ(history.rows(JapaneseTexts())[1][0], "south.vpub");
    EXPECT_EQ(history.rows(JapaneseTexts())[1][2], "2027/01/10");

    // South finds the auth key in its key folder and registers it.
    CopyFile(authKey, south.keys.KeyFolderPath() / authKey.filename());
    south.keys.Scan(south.keys.KeyFolderPath());
    south.dialog.PlanYes();
    EXPECT_EQ(south.keys.RegisterUnregisteredKeys(), 1);
    EXPECT_EQ(south.dialog.Questions(),
              std::vector<std::string>{"登録されていない鍵が1個発見されました。これらの鍵を登録しますか？"});
    EXPECT_EQ(south.dialog.Messages(),
              std::vector<std::string>{"northさんの鍵、\nsouth))north-auth.vpub\nを登録しました。"});
    EXPECT_EQ(south.dialog.Events().front().title, "鍵の登録");
    int index = -1;
    for (int i = 0; i < south.keys.Count(); ++i)
        if (south.keys.File(i) == "south))north-auth.vpub") index = i;
    ASSERT_GE(index, 0);
    EXPECT_EQ(south.keys.Row(index)[4], "2027/01/10");

    // Not expired on the last day, nor 30 seconds after its last minute...
    EXPECT_EQ(south.keys.ExpiredAuthKeys(), 0);
    south.host.now = LocalTimeT(2027, 1, 11, 0, 0, 30);
    EXPECT_EQ(south.keys.ExpiredAuthKeys(), 0);
    // ...but a day later.
    south.host.now = LocalTimeT(2027, 1, 12);
    ASSERT_EQ(south.keys.ExpiredAuthKeys(), 1);
    EXPECT_EQ(south.keys.ExpiredList()[0].name, "north");
    EXPECT_EQ(south.keys.ExpiredList()[0].file, "south))north-auth.vpub");
    EXPECT_EQ(south.keys.ExpiredList()[0].limit, "2027/01/10");
}

}  // namespace
}  // namespace tessarin::test
