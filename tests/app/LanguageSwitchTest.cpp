// A language switch relabels what every layer shows: the decryption run, the
// key store, the service runs and the QR import take one table by reference,
// so refilling it changes their next message without making them anew. The
// expected words are written here, never taken from the table.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "Fixtures.h"
#include "ScriptedUserDialog.h"
#include "container/DecryptPipeline.h"
#include "core/LanguageTable.h"
#include "core/StreamCipher.h"
#include "keys/KeyManager.h"
#include "keys/KeySetCreation.h"
#include "net/AccountFlows.h"
#include "net/NetTestSupport.h"
#include "platform/Host.h"
#include "qr/PublicKeyQr.h"

namespace tessarin::test {
namespace {

namespace fs = std::filesystem;
using Language = LanguageTable::Language;

// What each layer shows for its refusals, in one language.
struct Shown {
    Language language;
    std::vector<std::string> decryptStatuses;
    std::vector<std::string> decryptMessages;
    std::vector<std::string> keyMessages;
    std::string loginMessage;
    std::string qrMessage;
};

const Shown kJapanese{
    Language::Japanese,
    {"復号化処理中です。しばらくお待ちください。", "1個中1個目のファイルを復号化しています。",
     "junk.tzaを復号化中です....."},
    {"TZAファイルでないかファイルが破損しています。", "0個のファイルの復号化に成功しました。"},
    {"鍵ファイル名が未入力です。\nファイル名を入力してください",
     "鍵ファイル名に以下の文字は使用できません。\n\n\t\\ / : * ? ' < > | . \n\nファイル名を確認してください",
     "鍵ファイル junk.vpub はTZA-P2P/Tessarinで使用できる公開鍵ではありません。"},
    "メールアドレス及びパスワードに誤りがあります",
    "読み取られた公開鍵の長さが短すぎます。",
};

const Shown kEnglish{
    Language::English,
    {"Decrypt Processing. Please wait a minute.", "Decrypting a file of 1 out of 1.", "junk.tza is decrypting....."},
    {"This file type is not TZA file or broken.", "0 Files succeed in decryption."},
    {"No File Name\nPlease fill in File Name.",
     "The following characters cannot be used in a key file name.\n\n\t\\ / : * ? ' < > | . \n\nPlease check the "
     "file name.",
     "Key file junk.vpub is not a public key usable by TZA-P2P/Tessarin."},
    "The mail address or the password is wrong",
    "The public key read is too short.",
};

class LanguageSwitchTest : public ServiceTest {
protected:
    void SetUp() override {
        ServiceTest::SetUp();
        texts.FillJapanese();
        fs::copy_file(FixturePath("cryptoapi/north.vpub"), dir / "north.vpub");
        fs::copy_file(FixturePath("cryptoapi/northPrivate.vpri"), dir / "northPrivate.vpri");
        WriteFileBytes(dir / "junk.tza", std::vector<std::uint8_t>(300, 0x5A));
        WriteFileBytes(dir / "junk.vpub", {1, 2, 3, 4});
        fs::create_directory(dir / "keys");
        ASSERT_EQ(keys.OpenFolder(dir / "keys"), 0);
    }

    void Switch(Language language) {
        texts.Fill(language);
        ASSERT_EQ(texts.Current(), language);
    }

    // Decryption: a broken container.
    void DecryptBroken(ScriptedUserDialog& ui) {
        CStreamCipher cipher;
        container::DecryptRun run(host, ui, cipher, texts);
        run.publicKeyPath = dir / "north.vpub";
        run.privateKeyPath = dir / "northPrivate.vpri";
        run.files = {dir / "junk.tza"};
        run.isOnCdRom = [](const fs::path&) { return false; };
        EXPECT_EQ(container::DecryptFiles(run, container::kDecryptCommand), 0);
    }

    // Keys: names the generation refuses, then a file that is no key.
    void RefuseKeys(ScriptedUserDialog& ui) {
        std::vector<std::string> names = {"", "a/b"};
        std::size_t next = 0;
        CGenKeyFlow flow(ui, host, texts);
        const auto made = flow.Run(dir.Path(),
                                   [&]() -> std::optional<std::string> {
                                       return next < names.size() ? std::optional(names[next++]) : std::nullopt;
                                   },
                                   {});
        EXPECT_FALSE(made.generated);
        EXPECT_EQ(keys.AddKeyFiles({dir / "junk.vpub"}, {}), 0);
    }

    // Service: a login the service refuses.
    void RefusedLogin(ScriptedUserDialog& ui) {
        Script({{"connectcheck", {ScriptedAnswer::Text("connect")}}, {"login", {ScriptedAnswer::Text("fail")}}});
        EXPECT_FALSE(WizardLogin(ui, DefaultHost(), kMail, "secret1", ServiceRunSettings{texts, kFastTick}));
    }

    // QR: an import whose key text is too short.
    std::string ShortImport() {
        std::string keyText;
        const auto result =
            ParseQrImportText("---- TZA-P2P QRCode Public Key ----\n0123ABCD\n--End of data--\n", keyText);
        EXPECT_EQ(result, QrImportResult::WrongLength);
        return QrImportFailureMessage(texts, result);
    }

    void ExpectShown(const Shown& expected) {
        SCOPED_TRACE(expected.language == Language::English ? "English" : "Japanese");
        ScriptedUserDialog decryptUi;
        DecryptBroken(decryptUi);
        EXPECT_EQ(decryptUi.Statuses(), expected.decryptStatuses);
        EXPECT_EQ(decryptUi.Messages(), expected.decryptMessages);

        keysUi.ClearEvents();
        RefuseKeys(keysUi);
        EXPECT_EQ(keysUi.Messages(), expected.keyMessages);

        ScriptedUserDialog loginUi;
        RefusedLogin(loginUi);
        EXPECT_EQ(loginUi.Messages(), std::vector<std::string>{expected.loginMessage});
        for (const auto& e : loginUi.Events())
            if (e.kind == ScriptedUserDialog::Event::Message) {
                EXPECT_EQ(e.title, "Tessarin");
            }

        EXPECT_EQ(ShortImport(), expected.qrMessage);
    }

    LanguageTable texts;
    TempDir dir;
    FixedHost host;
    ScriptedUserDialog keysUi;
    CKeyManager keys{keysUi, host, texts};  // made once: it follows every switch
};

TEST_F(LanguageSwitchTest, EveryLayerShowsItsRefusalsInTheLanguageOfTheTable) {
    ExpectShown(kJapanese);
    Switch(Language::English);
    ExpectShown(kEnglish);
    // And back again.
    Switch(Language::Japanese);
    ExpectShown(kJapanese);
}

}  // namespace
}  // namespace tessarin::test
