// Public key authentication: the auth secret's inputs, output names, the
// record's name and e-mail widths, the messages of the command, the history
// and the refresh of self auth keys; key set creation around it.

#include <gtest/gtest.h>

#include "KeyManagerTestKit.h"
#include "app/AppCore.h"
#include "keys/AuthManager.h"
#include "keys/AuthSecret.h"
#include "keys/MemberList.h"

namespace tessarin::test {
namespace {

namespace fs = std::filesystem;

TEST(AuthSecretTest, EveryInputByteCountsAndNoOther) {
    const auto original = ReadFileBytes(FixturePath("cryptoapi/northPrivate.vpri"));
    const auto secret = AuthSecret(original);
    ASSERT_TRUE(secret);
    // The written time (600..615), the tag (616..647) and bytes 200..499.
    for (std::size_t offset : {600u, 607u, 615u, 616u, 631u, 647u, 200u, 350u, 499u}) {
        auto changed = original;
        changed[offset] ^= 0x01;
        EXPECT_NE(*AuthSecret(changed), *secret) << "byte " << offset;
    }
    // Blob bytes outside 200..499 are not part of the input.
    for (std::size_t offset : {4u, 199u, 500u, 599u}) {
        auto changed = original;
        changed[offset] ^= 0x01;
        EXPECT_EQ(*AuthSecret(changed), *secret) << "byte " << offset;
    }
}

TEST(AuthSecretTest, ShortOrOverlongFilesGiveNoSecret) {
    const auto original = ReadFileBytes(FixturePath("cryptoapi/northPrivate.vpri"));
    EXPECT_FALSE(AuthSecret(std::span(original).first(499)));
    auto hugeLength = original;
    hugeLength[3] = 0x7F;  // a length running far past the end
    EXPECT_FALSE(AuthSecret(hugeLength));
    EXPECT_FALSE(AuthSecret({}));
}

TEST(AuthSecretTest, ChangedPrivateKeyLeavesOldAuthKeysReadableWithTheOldSecret) {
    TempDir tmp;
    TestUser north(tmp / "north");
    TestUser south(tmp / "south");
    ASSERT_TRUE(north.AdoptFixtureKeySet("north", "north", "n@example.com").Ok());
    ASSERT_TRUE(south.AdoptFixtureKeySet("south", "south", "s@example.com").Ok());
    CopyFile(north.root / "north.vpub", south.keys.KeyFolderPath() / "north.vpub");
    const fs::path authKey = south.Authenticate(south.keys.KeyFolderPath() / "north.vpub");
    ASSERT_FALSE(authKey.empty());
    const auto oldSecret = *AuthSecret(ReadFileBytes(south.root / "southPrivate.vpri"));

    // South's private key file gets another tag byte.
    auto changed = ReadFileBytes(south.root / "southPrivate.vpri");
    changed[620] ^= 0xFF;
    ClearReadOnly(south.root / "southPrivate.vpri");
    WriteFileBytes(south.root / "southPrivate.vpri", changed);
    EXPECT_NE(*AuthSecret(changed), oldSecret);

    CopyFile(authKey, north.keys.KeyFolderPath() / authKey.filename());
    AuthRecord record;
    ASSERT_EQ(north.keys.ReadAuthRecord(north.keys.KeyFolderPath() / authKey.filename(), record, true),
              CKeyManager::AuthRecordOk);
    EXPECT_EQ(record.secret, oldSecret);
}

TEST(AuthKeyNameTest, OutputNames) {
    struct Case {
        const char* chosen;
        const char* own;
        const char* output;
    } cases[] = {
        {"south.vpub", "north.vpub", "south))north-auth.vpub"},
        {"north))south-auth.vpub", "north.vpub", "south))north-auth.vpub"},
        {"NORTH))SOUTH-AUTH.VPUB", "north.vpub", "SOUTH))NORTH-auth.vpub"},
        {"north.vpub", "north.vpub", "north))north-auth.vpub"},
        {"a.b.vpub", "me.vpub", "a.b))me-auth.vpub"},
        // An auth key name without the separator is a plain key file name.
        {"odd-auth.vpub", "me.vpub", "odd-auth))me-auth.vpub"},
    };
    for (const auto& c : cases) EXPECT_EQ(AuthKeyOutputName(c.chosen, c.own), c.output) << c.chosen;
}

TEST(AuthRecordTest, NameAndEmailAreCutTo20And30Bytes) {
    TempDir tmp;
    TestUser north(tmp / "north");
    TestUser south(tmp / "south");
    const std::string longName = "abcdefghijklmnopqrstuvwxyz";
    const std::string longMail = "a-very-long-mailbox-name-here@example.com";
    ASSERT_TRUE(north.AdoptFixtureKeySet("north", longName, longMail).Ok());
    ASSERT_TRUE(south.AdoptFixtureKeySet("south", "south", "s@example.com").Ok());
    CopyFile(south.root / "south.vpub", tmp / "south.vpub");
    const fs::path authKey = north.Authenticate(tmp / "south.vpub");
    CopyFile(authKey, south.keys.KeyFolderPath() / authKey.filename());
    AuthRecord record;
    ASSERT_EQ(south.keys.ReadAuthRecord(south.keys.KeyFolderPath() / authKey.filename(), record, false),
              CKeyManager::AuthRecordOk);
    EXPECT_EQ(record.name, longName.substr(0, 20));
    EXPECT_EQ(record.email, longMail.substr(0, 30));
    EXPECT_EQ(record.secret, AuthSecretBytes{});  // not asked for
    EXPECT_TRUE(record.limit.IsZero());

    // A Japanese name: 12 characters are 24 CP932 bytes, 10 characters fit.
    const auto built = BuildAuthRecord(ReadFileBytes(north.root / "northPrivate.vpri"), "山田太郎山田太郎山田太郎",
                                       "x@example.com", north.host.LocalTime(), {});
    ASSERT_TRUE(built);
    EXPECT_EQ(Cp932ForDisplay(built->name), "山田太郎山田太郎山田");
}

TEST(AuthenticateTest, RefusalsAndTheirMessages) {
    TempDir tmp;
    TestUser north(tmp / "north");
    // No key set yet.
    CPublicKeyAuthenticator none(north.keys, north.dialog, north.host);
    EXPECT_TRUE(none.authenticate(tmp / "south.vpub", true).empty());
    ASSERT_TRUE(north.AdoptFixtureKeySet("north", "north", "n@example.com").Ok());

    // A missing file.
    CPublicKeyAuthenticator auth(north.keys, north.dialog, north.host);
    EXPECT_TRUE(auth.authenticate(tmp / "missing.vpub", true).empty());
    // A damaged partner key: nothing is written.
    std::vector<std::uint8_t> garbage(152, 0x41);
    WriteFileBytes(tmp / "broken.vpub", garbage);
    EXPECT_TRUE(auth.authenticate(tmp / "broken.vpub", true).empty());
    EXPECT_FALSE(fs::exists(tmp / "broken))north-auth.vpub"));
    EXPECT_EQ(north.dialog.Messages(),
              (std::vector<std::string>{
                  std::string("まずはじめに「鍵セットの生成」を行う必要があります。\n鍵セットの生成を実施してください"),
                  std::string("公開鍵ファイルが見つかりませんでした。"),
                  std::string(
                      "相手の公開鍵による暗号化に失敗しました。\n受信した公開鍵が破損していないかご確認ください。")}));
}

TEST(AuthenticateTest, MissingPrivateKeyIsNamed) {
    TempDir tmp;
    TestUser north(tmp / "north");
    ASSERT_TRUE(north.AdoptFixtureKeySet("north", "north", "n@example.com").Ok());
    CopyFile(FixturePath("cryptoapi/south.vpub"), tmp / "south.vpub");
    // A private key file that fails its size rule counts as no key set.
    ClearReadOnly(north.root / "northPrivate.vpri");
    auto bytes = ReadFileBytes(north.root / "northPrivate.vpri");
    bytes.push_back(0);
    WriteFileBytes(north.root / "northPrivate.vpri", bytes);
    CPublicKeyAuthenticator auth(north.keys, north.dialog, north.host);
    EXPECT_TRUE(auth.authenticate(tmp / "south.vpub", true).empty());
    EXPECT_EQ(north.dialog.Messages().back(),
              "まずはじめに「鍵セットの生成」を行う必要があります。\n鍵セットの生成を実施してください");
}

TEST(AuthenticateTest, SecondAuthenticationAsksAndKeepsBothEntries) {
    TempDir tmp;
    TestUser north(tmp / "north");
    ASSERT_TRUE(north.AdoptFixtureKeySet("north", "north", "n@example.com").Ok());
    CopyFile(FixturePath("cryptoapi/south.vpub"), tmp / "south.vpub");
    ASSERT_FALSE(north.Authenticate(tmp / "south.vpub").empty());

    // No stops before anything is written.
    north.dialog.PlanNo();
    EXPECT_TRUE(north.Authenticate(tmp / "south.vpub").empty());
    // Yes, then both overwrite questions.
    north.dialog.PlanYes(3);
    EXPECT_FALSE(north.Authenticate(tmp / "south.vpub").empty());
    EXPECT_EQ(north.dialog.Questions(),
              (std::vector<std::string>{
                  std::string("この公開鍵は過去に既に認証を行っています。再度認証を行いますか？"),
                  std::string("この公開鍵は過去に既に認証を行っています。再度認証を行いますか？"),
                  "認証を行うと既に存在する認証済み公開鍵(south))north-auth.vpub)は上書きされます。よろしいですか？",
                  "作成されるファイル(south))north-auth.vpub)は既に存在します。\n上書きしますか？"}));
    CAuthManager history;
    ASSERT_EQ(history.load(north.keys.KeyFolderPath() / kAuthHistoryName), CAuthManager::LoadStatus::Ok);
    ASSERT_EQ(history.Entries().size(), 3u);  // own key, south twice
    EXPECT_EQ(history.Entries()[1].fileName, "south.vpub");
    EXPECT_EQ(history.Entries()[2].fileName, "south.vpub");
    EXPECT_EQ(history.rows(JapaneseTexts())[2][1], "2026/12/10 09:30");
    EXPECT_EQ(history.rows(JapaneseTexts())[2][2], "期限未設定");
}

TEST(AuthenticateTest, PastPickedDateKeepsTheLimitDialogOpen) {
    TempDir tmp;
    TestUser north(tmp / "north");
    ASSERT_TRUE(north.AdoptFixtureKeySet("north", "north", "n@example.com").Ok());
    CopyFile(FixturePath("cryptoapi/south.vpub"), tmp / "south.vpub");
    CPublicKeyAuthenticator auth(north.keys, north.dialog, north.host);
    int shown = 0;
    auth.SetLimitDialog([&]() -> std::optional<AuthLimit> {
        ++shown;
        SystemTime picked = north.host.LocalTime();
        if (shown == 1) picked.year = 2020;
        return ComputeAuthLimit(AuthLimitChoice::Picked, north.host.LocalTime(), picked);
    });
    ASSERT_FALSE(auth.authenticate(tmp / "south.vpub", true).empty());
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(north.dialog.Messages(), std::vector<std::string>{std::string("今日より過去の日付が設定されています")});

    // Cancel in the limit dialog stops without a file.
    auth.SetLimitDialog([]() -> std::optional<AuthLimit> { return std::nullopt; });
    CopyFile(FixturePath("cryptoapi/south.vpub"), tmp / "other.vpub");
    north.dialog.PlanYes();  // the same key again
    EXPECT_TRUE(auth.authenticate(tmp / "other.vpub", true).empty());
    EXPECT_FALSE(fs::exists(tmp / "other))north-auth.vpub"));
}

TEST(AuthenticateTest, CommandMailsEveryAuthKeyMadeSoFar) {
    TempDir tmp;
    TestUser north(tmp / "north");
    ASSERT_TRUE(north.AdoptFixtureKeySet("north", "north", "n@example.com").Ok());
    CopyFile(FixturePath("cryptoapi/south.vpub"), tmp / "south.vpub");
    CopyFile(FixturePath("cryptoapi/south.vpub"), tmp / "west.vpub");
    CPublicKeyAuthenticator auth(north.keys, north.dialog, north.host);
    auth.SetLimitDialog([]() -> std::optional<AuthLimit> { return AuthLimit{}; });
    int completes = 0;
    auth.SetCompleteDialog([&](const fs::path& partner, const fs::path& priv, const fs::path& out) {
        ++completes;
        EXPECT_EQ(priv, north.root / "northPrivate.vpri");
        EXPECT_EQ(out.parent_path(), partner.parent_path());
        return CPublicKeyAuthenticator::CompleteChoice{true, completes == 1};
    });
    std::vector<fs::path> picks = {tmp / "south.vpub", tmp / "west.vpub"};
    std::size_t next = 0;
    std::vector<std::vector<fs::path>> mails;
    north.dialog.PlanYes();  // west carries the same key as south
    const auto made = auth.AuthenticateCommand(
        [&]() -> std::optional<fs::path> { return next < picks.size() ? std::optional(picks[next++]) : std::nullopt; },
        [&](std::string_view subject, std::string_view body, const std::vector<fs::path>& files) {
            EXPECT_EQ(subject, "認証済み公開鍵の送信");
            EXPECT_EQ(
                body,
                "TZA-P2P/Tessarinの認証済み公開鍵を送ります。\nTZA-P2P/Tessarinと同じフォルダにこのファイルを保存して"
                "ください。\nよろしくお願いします。");
            mails.push_back(files);
        });
    ASSERT_EQ(made.size(), 2u);
    ASSERT_EQ(mails.size(), 2u);
    EXPECT_EQ(mails[0].size(), 1u);
    EXPECT_EQ(mails[1], made);
}

TEST(AuthenticateTest, OwnKeyRefreshesRegisteredSelfAuthKeys) {
    TempDir tmp;
    TestUser north(tmp / "north");
    ASSERT_TRUE(north.AdoptFixtureKeySet("north", "north", "n@example.com").Ok());
    const fs::path registered = north.keys.KeyFolderPath() / "north))north-auth.vpub";
    const auto before = ReadFileBytes(registered);

    // A day later the own key is authenticated again from the main window.
    north.host.now += 86400;
    north.dialog.PlanYes(2);  // authenticated before; refresh the copies
    CPublicKeyAuthenticator auth(north.keys, north.dialog, north.host);
    const fs::path fresh = auth.authenticate(north.root / "north.vpub", true);
    ASSERT_EQ(fresh, north.root / "north))north-auth.vpub");
    EXPECT_EQ(
        north.dialog.Questions().back(),
        "この公開鍵は現在選択されている鍵ペアのものです。宛先リストに登録されている認証済み公開鍵を更新しますか？");
    const auto after = ReadFileBytes(registered);
    EXPECT_NE(after, before);
    EXPECT_EQ(after, ReadFileBytes(fresh));
    EXPECT_TRUE(IsReadOnly(registered));

    // Choosing the key folder moves the loose self auth key in; the record
    // is replaced, not doubled.
    EXPECT_EQ(north.keys.OpenKeyFolderOnSelection(north.keys.KeyFolderPath()), 0);
    EXPECT_FALSE(fs::exists(fresh));
    ASSERT_EQ(north.keys.Count(), 1);
    EXPECT_EQ(north.keys.Name(0), "自身のファイル暗号化用");
}

TEST(KeySetCreationTest, OwnerNameChecksAndKeySetName) {
    EXPECT_EQ(KeySetNameFromOwner("Taro Yamada.Jr"), "Taro_Yamada_Jr");
    EXPECT_EQ(KeySetNameFromOwner("山田 太郎"), "山田_太郎");
    EXPECT_EQ(KeySetNameFromEmail("taro.yamada@example.com"), "taro_yamada");
    EXPECT_EQ(CheckOwnerName(""), OwnerNameCheck::Empty);
    for (const char* bad : {"a/b", "a:b", "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b", "a\\b"})
        EXPECT_EQ(CheckOwnerName(bad), OwnerNameCheck::Forbidden) << bad;
    // "ソ" is 0x83 0x5C in CP932: its second byte is a backslash, yet it is allowed.
    EXPECT_EQ(CheckOwnerName("ソフト"), OwnerNameCheck::Ok);
}

TEST(KeySetCreationTest, MainWindowFlowMakesACompleteKeySet) {
    TempDir tmp;
    TestUser user(tmp / "keys");
    CKeySetCreation creation(user.keys, user.dialog, user.host);
    std::vector<KeySetIdentity> pages = {
        {"", "t@example.com"}, {"Taro/Y", "t@example.com"}, {"Taro Yamada.Jr", "taro@example.com"}};
    std::size_t next = 0;
    const auto result = creation.CreateFromMainWindow(user.root, [&]() -> std::optional<KeySetIdentity> {
        return next < pages.size() ? std::optional(pages[next++]) : std::nullopt;
    });
    ASSERT_TRUE(result.Ok()) << result.status;
    EXPECT_EQ(user.dialog.Messages(),
              (std::vector<std::string>{std::string("名前が未入力です。"),
                                        std::string("名前にスペース及び、以下の文字は使用できません。\n\n\t\\ / : * ? "
                                                    "' < > )| . \n\n再度入力してください。")}));
    EXPECT_EQ(result.keySetName, "Taro_Yamada_Jr");
    EXPECT_EQ(result.publicKeyName, "Taro_Yamada_Jr.vpub");
    EXPECT_EQ(result.privateKeyName, "Taro_Yamada_JrPrivate.vpri");
    EXPECT_EQ(result.keyFolder, user.root / "KeyList_Taro_Yamada_Jr");
    EXPECT_EQ(fs::file_size(user.root / "Taro_Yamada_JrPrivate.vpri"), kPrivateKeyFileSize);
    EXPECT_TRUE(IsReadOnly(user.root / "Taro_Yamada_Jr.vpub"));
    EXPECT_TRUE(IsReadOnly(user.root / "Taro_Yamada_JrPrivate.vpri"));

    const auto info = ReadFileBytes(result.keyFolder / "personalinfo.dat");
    EXPECT_EQ(std::string(info.begin(), info.end()), "Taro Yamada.Jr\ntaro@example.com\n");
    EXPECT_EQ(result.selfAuthKey, result.keyFolder / "Taro_Yamada_Jr))Taro_Yamada_Jr-auth.vpub");
    EXPECT_TRUE(IsReadOnly(result.selfAuthKey));
    EXPECT_TRUE(fs::exists(result.keyFolder / "member.dat"));
    EXPECT_FALSE(fs::exists(result.keyFolder / "pubkey_member.dat"));  // an empty list has no file
    std::vector<UserData> list;
    ASSERT_EQ(ReadMemberList(result.keyFolder / "member.dat", list), MemberListStatus::Ok);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(Cp932ForDisplay(list[0].name), "自身のファイル暗号化用");
    EXPECT_EQ(list[0].email, "taro@example.com");
    EXPECT_EQ(list[0].fileName, "Taro_Yamada_Jr))Taro_Yamada_Jr-auth.vpub");
    EXPECT_TRUE(list[0].limit.IsZero());

    // The self auth key carries the key set's own secret for itself.
    RecipientKeyInfo self;
    ASSERT_EQ(user.keys.RecipientKey(result.selfAuthKey, self), RecipientKeyStatus::Ok);
    EXPECT_EQ(self.authValue, *AuthSecret(ReadFileBytes(user.root / "Taro_Yamada_JrPrivate.vpri")));
}

TEST(KeySetCreationTest, StartupLocalBranchNamesTheKeySetFromTheAddress) {
    TempDir tmp;
    TestUser user(tmp / "keys");
    CKeySetCreation creation(user.keys, user.dialog, user.host);
    const auto result = creation.CreateAtStartup(user.root, {"Taro", "taro.yamada@example.com"});
    ASSERT_TRUE(result.Ok()) << result.status;
    EXPECT_EQ(result.keySetName, "taro_yamada");
    EXPECT_TRUE(fs::exists(user.root / "KeyList_taro_yamada" / "taro_yamada))taro_yamada-auth.vpub"));
    EXPECT_EQ(user.keys.OwnerName(), "Taro");
    // An existing key set is never overwritten.
    const auto again = creation.CreateAtStartup(user.root, {"Taro", "taro.yamada@example.com"});
    EXPECT_EQ(again.status, KeySetCreationResult::GenerateFailed);
    EXPECT_EQ(user.dialog.Messages().back(), "鍵ファイルがすでに存在しています。別の名前を指定してください。");
    EXPECT_EQ(CKeySetCreation::FindKeyPairs(user.root),
              (std::vector<std::pair<std::string, std::string>>{{"taro_yamada.vpub", "taro_yamadaPrivate.vpri"}}));
}

TEST(KeySetCreationTest, SelectingAKeyPairFromFiles) {
    TempDir tmp;
    TestUser user(tmp / "keys");
    CopyFile(FixturePath("cryptoapi/north.vpub"), user.root / "north.vpub");
    CopyFile(FixturePath("cryptoapi/northPrivate.vpri"), user.root / "northPrivate.vpri");
    CopyFile(FixturePath("cryptoapi/southPrivate.vpri"), user.root / "southPrivate.vpri");
    CKeySetCreation creation(user.keys, user.dialog, user.host);

    // A mismatched pair is refused.
    std::vector<fs::path> picks = {user.root / "southPrivate.vpri", user.root / "north.vpub"};
    std::size_t next = 0;
    std::vector<std::string> prompts;
    auto chooser = [&](std::string_view prompt, std::string_view filter) -> std::optional<fs::path> {
        prompts.push_back(std::string(prompt) + "|" + std::string(filter));
        return next < picks.size() ? std::optional(picks[next++]) : std::nullopt;
    };
    auto bad = creation.SelectKeyPairFromFiles(chooser, {});
    EXPECT_EQ(bad.status, KeySetCreationResult::BadKeyPair);
    EXPECT_EQ(user.dialog.Messages().back(), "現在選択されている鍵ペアの内容が異常です。");
    EXPECT_EQ(prompts, (std::vector<std::string>{
                           "鍵の選択：秘密鍵ファイルを選択してください。|秘密鍵ファイル(*.vpri)|*.vpri|",
                           "鍵の選択：公開鍵ファイルを選択してください。|公開鍵ファイル(*.vpub)|*.vpub|"}));

    // The right pair without a key folder asks for the owner and completes it.
    picks = {user.root / "northPrivate.vpri", user.root / "north.vpub"};
    next = 0;
    std::string askedText;
    const auto good = creation.SelectKeyPairFromFiles(
        chooser, [&](std::string_view title, std::string_view text) -> std::optional<KeySetIdentity> {
            EXPECT_EQ(title, "鍵情報の再設定");
            askedText = text;
            return KeySetIdentity{"North", "north@example.com"};
        });
    ASSERT_TRUE(good.Ok()) << good.status;
    EXPECT_EQ(askedText, "この鍵（north）の情報を設定します。\nあなたの名前、メールアドレスを入力してください。");
    EXPECT_EQ(user.dialog.Messages().back(), "公開鍵: north.vpub\n秘密鍵: northPrivate.vpri\n  に変更しました。");
    EXPECT_EQ(good.publicKeyName, "north.vpub");
    EXPECT_EQ(good.privateKeyName, "northPrivate.vpri");
    EXPECT_TRUE(fs::exists(user.root / "KeyList_north" / "north))north-auth.vpub"));
    EXPECT_EQ(user.keys.Name(0), "自身のファイル暗号化用");
}

TEST(KeySetCreationTest, SelectedPairWithAFullStopInItsName) {
    TempDir tmp;
    TestUser user(tmp / "keys");
    CopyFile(FixturePath("cryptoapi/north.vpub"), user.root / "my.keys.vpub");
    CopyFile(FixturePath("cryptoapi/northPrivate.vpri"), user.root / "my.keysPrivate.vpri");
    CKeySetCreation creation(user.keys, user.dialog, user.host);
    std::vector<fs::path> picks = {user.root / "my.keysPrivate.vpri", user.root / "my.keys.vpub"};
    std::size_t next = 0;
    const auto result = creation.SelectKeyPairFromFiles(
        [&](std::string_view, std::string_view) -> std::optional<fs::path> { return picks[next++]; },
        [](std::string_view, std::string_view) -> std::optional<KeySetIdentity> {
            return KeySetIdentity{"Me", "me@example.com"};
        });
    ASSERT_TRUE(result.Ok()) << result.status;
    // One rule everywhere: the name is the public key file's name without
    // ".vpub", for the key folder and the self auth key alike.
    EXPECT_EQ(result.keySetName, "my.keys");
    EXPECT_TRUE(fs::exists(user.root / "KeyList_my.keys" / "my.keys))my.keys-auth.vpub"));
    EXPECT_FALSE(fs::exists(user.root / "KeyList_my"));
    EXPECT_EQ(user.keys.File(0), "my.keys))my.keys-auth.vpub");
    // The self key is offered as a recipient, and the next start finds the
    // same key folder.
    EXPECT_EQ(user.keys.ListFiles(0), std::vector<std::string>{"my.keys))my.keys-auth.vpub"});
    LanguageTable texts;
    texts.FillJapanese();
    NoMail mail;
    AppCore nextStart(user.host, user.dialog, texts, mail);
    ASSERT_TRUE(nextStart.UseKeySet(user.root, "my.keys.vpub", "my.keysPrivate.vpri"));
    EXPECT_EQ(nextStart.Keys().KeyFolderPath(), user.root / "KeyList_my.keys");
    EXPECT_EQ(nextStart.State().selfAuthKeyPath, user.root / "KeyList_my.keys" / "my.keys))my.keys-auth.vpub");
    EXPECT_EQ(nextStart.Keys().RecipientFiles(0),
              std::vector<fs::path>{user.root / "KeyList_my.keys" / "my.keys))my.keys-auth.vpub"});
}

TEST(KeySetCreationTest, OlderGenerationDialogChecksNamesAndNeverOverwrites) {
    TempDir tmp;
    FixedHost host;
    ScriptedUserDialog dialog;
    WriteFileBytes(tmp / "dupPrivate.vpri", {1});
    std::vector<std::string> names = {"", std::string(61, 'n'), "a:b", "dup", "ソフト", "never asked"};
    std::size_t next = 0;
    std::vector<fs::path> mailed;
    dialog.PlanYes();
    CGenKeyFlow flow(dialog, host, JapaneseTexts());
    const auto result = flow.Run(
        tmp.Path(), [&]() -> std::optional<std::string> { return names.at(next++); },
        [&](std::string_view subject, std::string_view body, const std::vector<fs::path>& files) {
            EXPECT_EQ(subject, "TZA-P2P/Tessarin用公開鍵の送信");
            EXPECT_EQ(body,
                      "TZA-P2P/"
                      "Tessarinの公開鍵を送ります。\n添付されている鍵を、現在鍵を管理しているフォルダに保存し、TZA-P2P/"
                      "Tessarinに登録してください。");
            mailed = files;
        });
    ASSERT_TRUE(result.generated);
    EXPECT_EQ(next, 5u);
    EXPECT_EQ(dialog.Messages(), (std::vector<std::string>{
                                     std::string("鍵ファイル名が未入力です。\nファイル名を入力してください"),
                                     std::string("鍵ファイル名が長すぎます。半角60文字以内にしてください。"),
                                     std::string("鍵ファイル名に以下の文字は使用できません。\n\n\t\\ / : * ? ' < > | . "
                                                 "\n\nファイル名を確認してください"),
                                     std::string("鍵ファイルがすでに存在しています。別の名前を指定してください。")}));
    EXPECT_EQ(ReadFileBytes(tmp / "dupPrivate.vpri"), std::vector<std::uint8_t>{1});
    EXPECT_FALSE(fs::exists(tmp / "dup.vpub"));
    EXPECT_EQ(result.publicKeyName, "ソフト.vpub");
    EXPECT_EQ(result.privateKeyName, "ソフトPrivate.vpri");
    EXPECT_EQ(result.memberFileName, "ソフトMember.txt");
    EXPECT_EQ(mailed, std::vector<fs::path>{tmp / "ソフト.vpub"});
    EXPECT_EQ(
        dialog.Questions(),
        std::vector<std::string>{std::string("新しい鍵セットの生成に成功しました。\nこのキーをすぐに送信しますか？")});
    EXPECT_EQ(result.report.rfind(" 新しい鍵セット、及び自己認証鍵の生成に成功しました.\n\n", 0), 0u);
    EXPECT_NE(result.report.find(" 認証鍵: " + (tmp / "ソフト))ソフト-auth.vpub").string()), std::string::npos);
}

TEST(KeySetCreationTest, StartupOffersKeyPairsFoundInTheFolder) {
    TempDir tmp;
    TestUser user(tmp / "keys");
    CKeySetCreation creation(user.keys, user.dialog, user.host);
    EXPECT_FALSE(creation.OfferExistingKeyPair(user.root, {}));  // none there, nothing asked

    CopyFile(FixturePath("cryptoapi/north.vpub"), user.root / "north.vpub");
    CopyFile(FixturePath("cryptoapi/northPrivate.vpri"), user.root / "northPrivate.vpri");
    // A pair whose halves do not belong together is not offered.
    CopyFile(FixturePath("cryptoapi/north.vpub"), user.root / "odd.vpub");
    CopyFile(FixturePath("cryptoapi/southPrivate.vpri"), user.root / "oddPrivate.vpri");
    user.dialog.PlanNo();
    EXPECT_FALSE(creation.OfferExistingKeyPair(user.root, {}));
    EXPECT_EQ(user.dialog.Questions(),
              std::vector<std::string>{"別のTessarinシリーズで使われていた鍵が指定されたフォルダから見つかりました。\n"
                                       "以下の鍵ファイルを利用しますか？\n\n公開鍵ファイル名=north.vpub\n"
                                       "秘密鍵ファイル名=northPrivate.vpri\n"});
    user.dialog.PlanYes();
    const auto one = creation.OfferExistingKeyPair(user.root, {});
    ASSERT_TRUE(one);
    EXPECT_EQ(one->first, "north.vpub");

    // Several: the picker chooses.
    CopyFile(FixturePath("cryptoapi/south.vpub"), user.root / "south.vpub");
    CopyFile(FixturePath("cryptoapi/southPrivate.vpri"), user.root / "southPrivate.vpri");
    std::size_t offered = 0;
    const auto picked = creation.OfferExistingKeyPair(user.root, [&](const auto& pairs) -> std::optional<std::size_t> {
        offered = pairs.size();
        return 1;
    });
    ASSERT_TRUE(picked);
    EXPECT_EQ(offered, 2u);
    EXPECT_EQ(picked->second, "southPrivate.vpri");

    // Used as it is: without a key folder one is made for it.
    const auto used = creation.UseExistingKeyPair(user.root, picked->first, picked->second, {"South", "s@example.com"});
    ASSERT_TRUE(used.Ok()) << used.status;
    EXPECT_EQ(used.keySetName, "south");
    EXPECT_TRUE(fs::exists(user.root / "KeyList_south" / "south))south-auth.vpub"));
    // With its key folder already there it is only opened.
    TestUser again(tmp / "keys");
    CKeySetCreation reopen(again.keys, again.dialog, again.host);
    const auto reopened = reopen.UseExistingKeyPair(again.root, "south.vpub", "southPrivate.vpri", {});
    ASSERT_TRUE(reopened.Ok());
    EXPECT_EQ(reopened.identity.name, "South");
    EXPECT_EQ(again.keys.Count(), 1);
}

}  // namespace
}  // namespace tessarin::test
