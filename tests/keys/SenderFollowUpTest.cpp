// The decryption's sender follow-up as the application wires it: the
// sender's name comes from the container, so it never becomes a path that
// spells an auth key, and the follow-up never writes over a key file.

#include <gtest/gtest.h>

#include "KeyManagerTestKit.h"
#include "app/AppCore.h"
#include "core/LanguageTable.h"
#include "keys/KeyGenerator.h"
#include "platform/ByteIo.h"

namespace tessarin::test {
namespace {

namespace fs = std::filesystem;

// A stand-in container: the sender's public key file at d + 80, the offset d
// 32 bytes before the end, as the follow-up reads it.
fs::path ContainerCarrying(const fs::path& publicKeyFile, const fs::path& out) {
    const auto keyFile = ReadFileBytes(publicKeyFile);
    std::vector<std::uint8_t> container(1000, 0xEE);
    const std::uint32_t d = 300;
    std::copy(keyFile.begin(), keyFile.end(), container.begin() + d + 80);
    StoreLe32(container.data() + container.size() - 32, d);
    WriteFileBytes(out, container);
    return out;
}

class SenderFollowUpTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(north.AdoptFixtureKeySet("north", "north", "north@example.com").Ok());
        ASSERT_TRUE(south.AdoptFixtureKeySet("south", "south", "south@example.com").Ok());
        // South authenticated north's key: the auth key north relies on to
        // encrypt for south lies in north's key folder.
        CopyFile(north.root / "north.vpub", tmp / "north.vpub");
        const fs::path forNorth = south.Authenticate(tmp / "north.vpub");
        ASSERT_EQ(forNorth.filename(), "north))south-auth.vpub");
        ASSERT_EQ(north.keys.AddKeyFiles({forNorth}, {}), 1);
        genuine = north.keys.KeyFolderPath() / "north))south-auth.vpub";
        genuineBytes = ReadFileBytes(genuine);
        texts.FillJapanese();
        ASSERT_TRUE(core.UseKeySet(north.root, "north.vpub", "northPrivate.vpri"));
        north.dialog.ClearEvents();
    }

    bool FollowUp(const fs::path& container, const std::string& senderName) {
        auto followUp = core.MakeSenderFollowUp();
        const std::array<std::uint8_t, 32> digest{};
        return followUp->Authenticate(container, tmp / "out.txt", {senderName, "sender@example.com"}, digest);
    }

    TempDir tmp;
    TestUser north{tmp / "north"};
    TestUser south{tmp / "south"};
    LanguageTable texts;
    NoMail mail;
    AppCore core{north.host, north.dialog, texts, mail};
    fs::path genuine;
    std::vector<std::uint8_t> genuineBytes;
};

TEST_F(SenderFollowUpTest, NamesThatSpellAnAuthKeyAreRefusedBeforeTheyBecomePaths) {
    const fs::path container = ContainerCarrying(south.root / "south.vpub", tmp / "m.tza");
    for (const std::string name : {"south))north-auth", "x-auth", "Y-AUTH", "a))b"}) {
        SCOPED_TRACE(name);
        north.dialog.ClearEvents();
        EXPECT_FALSE(FollowUp(container, name));
        EXPECT_EQ(north.dialog.Messages(),
                  std::vector<std::string>{"送信者の名前「" + name +
                                           "」は鍵ファイル名に使用できないため、送信者の公開鍵は認証しませんでした。"});
        EXPECT_TRUE(north.dialog.Questions().empty());
        EXPECT_FALSE(fs::exists(north.keys.KeyFolderPath() / (name + ".vpub")));
    }
    EXPECT_EQ(ReadFileBytes(genuine), genuineBytes);
}

TEST_F(SenderFollowUpTest, TheFollowUpNeverWritesOverAKeyFile) {
    const fs::path folder = north.keys.KeyFolderPath();
    // A usable name: the sender's key is taken out and authenticated.
    const fs::path fromSouth = ContainerCarrying(south.root / "south.vpub", tmp / "m.tza");
    ASSERT_TRUE(FollowUp(fromSouth, "south")) << ::testing::PrintToString(north.dialog.Messages());
    ASSERT_TRUE(fs::exists(folder / "south.vpub"));
    const fs::path made = folder / "south))north-auth.vpub";
    ASSERT_TRUE(fs::exists(made));
    const auto madeBytes = ReadFileBytes(made);

    // The same sender again: the question names the sender, and the auth
    // key already there is kept.
    north.dialog.ClearEvents();
    north.dialog.PlanYes();
    EXPECT_FALSE(FollowUp(fromSouth, "south"));
    EXPECT_EQ(north.dialog.Questions(), std::vector<std::string>{"送信者 south の公開鍵は過去に既に認証を行っています。"
                                                                 "送信者の公開鍵を再度認証しますか？"});
    EXPECT_EQ(north.dialog.Messages(),
              std::vector<std::string>{"送信者 south の公開鍵から作成される認証済み公開鍵(south))north-auth.vpub)"
                                       "は既に存在するため、送信者の公開鍵は認証しませんでした。"});
    EXPECT_EQ(ReadFileBytes(made), madeBytes);

    // Another key under the same sender name leaves south's key alone.
    FixedHost host;
    ScriptedUserDialog dialog;
    CKeyGenerator generator(dialog, host, JapaneseTexts());
    fs::create_directories(tmp / "east");
    generator.SetFolder(tmp / "east");
    ASSERT_EQ(generator.Generate("east"), CKeyGenerator::Generated);
    const fs::path fromEast = ContainerCarrying(generator.PublicKeyPath(), tmp / "e.tza");
    const auto southKey = ReadFileBytes(folder / "south.vpub");
    north.dialog.ClearEvents();
    EXPECT_FALSE(FollowUp(fromEast, "south"));
    EXPECT_EQ(north.dialog.Messages(),
              std::vector<std::string>{"鍵フォルダには送信者の名前の別の公開鍵 south.vpub "
                                       "が既にあるため、送信者の公開鍵は認証しませんでした。"});
    EXPECT_EQ(ReadFileBytes(folder / "south.vpub"), southKey);
    EXPECT_EQ(ReadFileBytes(genuine), genuineBytes);
}

}  // namespace
}  // namespace tessarin::test
