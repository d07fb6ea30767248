// Encryption across two key sets wired from their key managers: south
// encrypts for north with the auth key north issued, north reads it back
// with the independent test decoder, accepts its auth value and finds the
// sender by the record's key check.

#include <gtest/gtest.h>

#include "KeyManagerTestKit.h"
#include "app/MainWindowState.h"
#include "container/TestDecoder.h"
#include "core/LanguageTable.h"
#include "keys/AuthSecret.h"

namespace tessarin::test {
namespace {

namespace fs = std::filesystem;

TEST(KeyManagerRoundTripTest, SouthEncryptsForNorthThroughTheAuthKey) {
    TempDir tmp;
    TestUser north(tmp / "north");
    TestUser south(tmp / "south");
    ASSERT_TRUE(north.AdoptFixtureKeySet("north", "north", "north@example.com").Ok());
    ASSERT_TRUE(south.AdoptFixtureKeySet("south", "south", "south@example.com").Ok());

    // Each authenticates the other's public key and hands the auth key over.
    CopyFile(south.root / "south.vpub", tmp / "south.vpub");
    CopyFile(north.root / "north.vpub", tmp / "north.vpub");
    const fs::path forSouth = north.Authenticate(tmp / "south.vpub");
    const fs::path forNorth = south.Authenticate(tmp / "north.vpub");
    ASSERT_EQ(south.keys.AddKeyFiles({forSouth}, {}), 1);
    ASSERT_EQ(north.keys.AddKeyFiles({forNorth}, {}), 1);

    // South's main window takes its recipients and own key files from its
    // key manager.
    LanguageTable texts;
    texts.FillJapanese();
    NoMail mail;
    MainWindowState state(south.host, south.dialog, texts, mail);
    state.publicKeyPath = south.keys.PublicKeyPath();
    state.privateKeyPath = south.keys.PrivateKeyPath();
    state.selfAuthKeyPath = south.keys.KeyFolderPath() / SelfAuthKeyFileName(south.keys.KeySetName());
    state.userName = south.keys.OwnerName();
    state.mailAddress = south.keys.OwnerEmail();
    for (const auto& r : south.keys.RecipientFiles(0))
        if (r.filename() == "south))north-auth.vpub") state.recipients.push_back(r);
    ASSERT_EQ(state.recipients.size(), 1u);
    fs::create_directories(tmp / "work");
    const std::string text = "a letter from south to north";
    WriteFileBytes(tmp / "work" / "letter.txt", std::vector<std::uint8_t>(text.begin(), text.end()));
    state.files = {tmp / "work" / "letter.txt"};
    ASSERT_EQ(state.EncryptFiles(kModeCommand), 1) << ::testing::PrintToString(south.dialog.Messages());
    ASSERT_EQ(state.WrittenContainers().size(), 1u);

    // North reads it with its own key files.
    const auto decoded =
        DecodeContainer(ReadFileBytes(state.WrittenContainers()[0]), ReadFileBytes(north.keys.PublicKeyPath()),
                        ReadFileBytes(north.keys.PrivateKeyPath()));
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(std::string(decoded.payload.begin(), decoded.payload.end()), text);
    EXPECT_EQ(decoded.storedName, "letter.txt");
    // The auth value is north's own secret: the reader's check passes.
    EXPECT_EQ(decoded.AuthValue(), *AuthSecret(ReadFileBytes(north.keys.PrivateKeyPath())));
    // The sender: south's key check finds the auth key south issued to north.
    const auto sender = north.keys.FindSender(decoded.SenderKeyCheck());
    ASSERT_TRUE(sender);
    EXPECT_EQ(sender->name, "south");
    EXPECT_EQ(sender->fileName, "north))south-auth.vpub");
}

TEST(KeyManagerRoundTripTest, SenderKeyCarriedByTheContainer) {
    TempDir tmp;
    TestUser north(tmp / "north");
    TestUser south(tmp / "south");
    ASSERT_TRUE(north.AdoptFixtureKeySet("north", "north", "north@example.com").Ok());
    ASSERT_TRUE(south.AdoptFixtureKeySet("south", "south", "south@example.com").Ok());

    // South encrypts for north's plain public key: the container carries
    // south's own public key file behind the sender record.
    CopyFile(north.root / "north.vpub", tmp / "north.vpub");
    south.dialog.PlanNo();  // not offered to the service
    ASSERT_EQ(south.keys.AddKeyFiles({tmp / "north.vpub"}, {}), 1);
    LanguageTable texts;
    texts.FillJapanese();
    NoMail mail;
    MainWindowState state(south.host, south.dialog, texts, mail);
    state.publicKeyPath = south.keys.PublicKeyPath();
    state.privateKeyPath = south.keys.PrivateKeyPath();
    state.selfAuthKeyPath = south.keys.KeyFolderPath() / SelfAuthKeyFileName(south.keys.KeySetName());
    state.userName = south.keys.OwnerName();
    state.mailAddress = south.keys.OwnerEmail();
    state.recipients = south.keys.RecipientFiles(1);
    ASSERT_EQ(state.recipients.size(), 1u);
    fs::create_directories(tmp / "work");
    WriteFileBytes(tmp / "work" / "note.txt", {'h', 'i'});
    state.files = {tmp / "work" / "note.txt"};
    ASSERT_EQ(state.EncryptFiles(kModeCommand), 1) << ::testing::PrintToString(south.dialog.Messages());
    const fs::path container = state.WrittenContainers().at(0);

    // North does not know south yet: the key mark of the container's sender
    // key finds nothing; the key can be taken out and authenticated.
    UserData found;
    EXPECT_EQ(north.keys.FindByKeyMark(container, found), 0);
    fs::create_directories(tmp / "north-inbox");
    const auto senderKey = CKeyManager::ExtractSenderKey(container, tmp / "north-inbox", "south");
    ASSERT_TRUE(senderKey);
    EXPECT_EQ(ReadFileBytes(*senderKey), ReadFileBytes(south.root / "south.vpub"));
    EXPECT_TRUE(IsReadOnly(*senderKey));
    // Taken out again, the same key is the file already there.
    EXPECT_EQ(CKeyManager::ExtractSenderKey(container, tmp / "north-inbox", "south"), senderKey);
    // The sender's name comes from the container: it never replaces another
    // key file of that name, be it another partner's key or an auth key.
    for (const std::string name : {"east", "south))north-auth"}) {
        SCOPED_TRACE(name);
        const fs::path present = tmp / "north-inbox" / (name + ".vpub");
        const std::vector<std::uint8_t> bytes = {'k', 'e', 'e', 'p'};
        WriteFileBytes(present, bytes);
        EXPECT_FALSE(CKeyManager::ExtractSenderKey(container, tmp / "north-inbox", name));
        EXPECT_EQ(ReadFileBytes(present), bytes);
        fs::remove(present);
    }
    EXPECT_FALSE(CKeyManager::ExtractSenderKey(container, tmp / "north-inbox", "a/b"));
    EXPECT_FALSE(CKeyManager::ExtractSenderKey(tmp / "work" / "note.txt", tmp / "north-inbox", "x"));
    EXPECT_EQ(north.Authenticate(*senderKey), tmp / "north-inbox" / "south))north-auth.vpub");

    // Once south's key is registered, the follow-up renews its entry.
    north.dialog.PlanNo();
    ASSERT_EQ(north.keys.AddKeyFiles({*senderKey}, {}), 1);
    ASSERT_EQ(north.keys.FindByKeyMark(container, found), 1);
    const std::uint32_t keyCheck = KeyMarkLow(ReadPublicKeyFile(south.root / "south.vpub")->blob);
    ASSERT_TRUE(north.keys.RenewRecord(keyCheck, "South", "south@example.com"));
    EXPECT_EQ(north.keys.Name(north.keys.Count() - 1), "South");
    EXPECT_EQ(north.keys.Email(north.keys.Count() - 1), "south@example.com");
    EXPECT_FALSE(north.keys.RenewRecord(keyCheck ^ 1, "x", "y"));
}

}  // namespace
}  // namespace tessarin::test
