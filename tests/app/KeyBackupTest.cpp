// Key backup through the real code: a key set made by the key generator, its
// private key file split into two share files, sent to the maker, and
// rebuilt from both shares.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "FilledTexts.h"
#include "Fixtures.h"
#include "ScriptedUserDialog.h"
#include "app/KeyBackupFlow.h"
#include "app/MainWindowState.h"
#include "core/LanguageTable.h"
#include "keys/KeyBackup.h"
#include "keys/KeyFiles.h"
#include "keys/KeyGenerator.h"
#include "keys/MakerKeys.h"
#include "platform/ByteIo.h"
#include "platform/Host.h"

namespace tessarin::test {
namespace {

namespace fs = std::filesystem;

// Records each hand-over and what its attachments held at that moment.
class CapturingLauncher final : public IMailLauncher {
public:
    struct Call {
        std::vector<std::string> argv;
        std::vector<std::vector<std::uint8_t>> attachments;
        std::string Value(const std::string& option) const {
            for (std::size_t i = 0; i + 1 < argv.size(); ++i)
                if (argv[i] == option) return argv[i + 1];
            return {};
        }
    };
    bool Run(const std::vector<std::string>& argv) override {
        Call call{argv, {}};
        for (std::size_t i = 0; i + 1 < argv.size(); ++i)
            if (argv[i] == "--attach") call.attachments.push_back(ReadFileBytes(argv[i + 1]));
        calls.push_back(std::move(call));
        return result;
    }
    std::vector<Call> calls;
    bool result = true;
};

unsigned ModeOf(const fs::path& p) {
    struct stat st {};
    EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
    return st.st_mode & 07777u;
}

class KeyBackupTest : public ::testing::Test {
protected:
    void SetUp() override {
        texts.FillJapanese();
        keys = dir / "keys";
        data = dir / "data";
        fs::create_directories(keys);
        CKeyGenerator gen(dialog, host, JapaneseTexts());
        gen.SetFolder(keys);
        ASSERT_EQ(gen.Generate("alice"), CKeyGenerator::Generated);
        state = std::make_unique<MainWindowState>(host, dialog, texts, launcher);
        state->publicKeyPath = gen.PublicKeyPath();
        state->privateKeyPath = gen.PrivateKeyPath();
        state->userName = "Alice Owner";
        state->mailAddress = "alice@example.jp";
        flow = std::make_unique<KeyBackupFlow>(*state, launcher, data);
        privateKey = ReadFileBytes(state->privateKeyPath);
        publicBlob = ReadPublicKeyFile(state->publicKeyPath)->blob;
    }

    fs::path UserShare() const { return data / "alice_user.vbky"; }
    fs::path MakerShare() const { return data / "alice_mk.vbky"; }
    BigNumber X1() const { return *UserPoint(BackupIdentificationText(publicBlob)); }

    // The shares made by the command, without sending.
    void MakeShares() {
        flow->offerSending = false;
        ASSERT_EQ(flow->Backup(), KeyBackupFlow::Outcome::SharesMade);
        flow->offerSending = true;
    }

    TempDir dir;
    fs::path keys, data;
    FixedHost host;
    ScriptedUserDialog dialog;
    LanguageTable texts;
    CapturingLauncher launcher;
    std::unique_ptr<MainWindowState> state;
    std::unique_ptr<KeyBackupFlow> flow;
    std::vector<std::uint8_t> privateKey;
    ByteVector publicBlob;
};

TEST(KeyBackupPoints, UserPointIsTheFirst14HexDigitsOfSha1) {
    // SHA-1("abc") = a9993e364706816aba3e25717850c26c9cd0d89d
    EXPECT_EQ(UserPoint("abc")->ToHex(), "a9993e36470681");
    EXPECT_EQ(MakerPoint().ToHex(), "9999999999999999");
}

TEST_F(KeyBackupTest, SharesOfAGeneratedKeyRestoreByteForByteReadOnlyForTheOwner) {
    ASSERT_EQ(privateKey.size(), 648u);
    dialog.PlanNo();  // send question
    EXPECT_EQ(flow->Backup(), KeyBackupFlow::Outcome::SharesMade);
    EXPECT_EQ(
        dialog.Questions(),
        (std::vector<std::string>{"鍵のバックアップファイルを作成しました。\nメーカー用の半鍵を暗号化してメーカーへ送信"
                                  "しますか？(メールソフト起動)"}));
    EXPECT_TRUE(launcher.calls.empty());
    EXPECT_EQ(ModeOf(UserShare()), 0600u);
    EXPECT_EQ(ModeOf(MakerShare()), 0600u);

    const fs::path out = dir / "restored" / "alicePrivate.vpri";
    fs::create_directories(out.parent_path());
    ASSERT_EQ(RestorePrivateKeyFile(UserShare(), MakerShare(), state->publicKeyPath, out), KeyRestoreStatus::Ok);
    EXPECT_EQ(ReadFileBytes(out), privateKey);
    EXPECT_EQ(ModeOf(out), 0400u);
    // Nothing else left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(out.parent_path()), fs::directory_iterator()), 1);
}

TEST_F(KeyBackupTest, A648ByteKeyGives324SecretAnd323CoefficientDigits) {
    KeyShares made;
    fs::create_directories(data);
    ASSERT_EQ(WriteKeyShares(state->privateKeyPath, X1(), BackupSharePaths(data, "alice"), &made),
              ShareWriteStatus::Ok);
    EXPECT_EQ(made.secretDigits, 324u);
    EXPECT_EQ(made.coefficientDigits, 323u);
    // The coefficient as the restoring side finds it.
    const auto user = ReadShareFile(UserShare());
    const auto maker = ReadShareFile(MakerShare());
    ASSERT_TRUE(user && maker);
    const auto c = BigNumber::Divide(*BigNumber::Subtract(*maker, *user), *BigNumber::Subtract(MakerPoint(), X1()));
    ASSERT_TRUE(c);
    EXPECT_TRUE(c->remainder.IsZero());
    EXPECT_EQ(DigitCount(c->quotient), 323u);
    // Each file: its byte count, then the share in whole 16-bit digits.
    const auto file = ReadFileBytes(UserShare());
    EXPECT_EQ(LoadLe64(file.data()), file.size() - 8);
    EXPECT_EQ(file.size() - 8, 2 * DigitCount(*user));
}

TEST_F(KeyBackupTest, EitherShareAloneDiffersFromTheKeyInEveryRun) {
    std::set<std::vector<std::uint8_t>> seen;
    for (int run = 0; run < 8; ++run) {
        SCOPED_TRACE(run);
        const auto shares = SplitSecret(privateKey, X1(), MakerPoint());
        ASSERT_TRUE(shares);
        for (const BigNumber* share : {&shares->user, &shares->maker}) {
            const auto bytes = *share->ToBytesLittleEndian(2 * DigitCount(*share));
            ASSERT_GE(bytes.size(), privateKey.size());
            const std::vector<std::uint8_t> head(bytes.begin(), bytes.begin() + 648);
            EXPECT_NE(head, privateKey);
            // No run repeats a share.
            EXPECT_TRUE(seen.insert(bytes).second);
            // Not even the key's known opening (length field and blob header) shows.
            EXPECT_FALSE(std::equal(privateKey.begin(), privateKey.begin() + 24, bytes.begin()));
        }
    }
}

struct LengthCase {
    std::size_t bytes;
    std::size_t digits;
};
class KeyBackupLengthTest : public ::testing::TestWithParam<LengthCase> {};

TEST_P(KeyBackupLengthTest, SharesOfAnyFileRestoreWithoutTheAppendedByte) {
    const LengthCase& c = GetParam();
    TempDir dir;
    std::vector<std::uint8_t> secret(c.bytes);
    for (std::size_t i = 0; i < secret.size(); ++i) secret[i] = static_cast<std::uint8_t>(0xA5 ^ (i * 7));
    secret.back() = 0xFF;  // a top byte the appended zero must not hide
    WriteFileBytes(dir / "secret.bin", secret);
    const BigNumber x1 = *UserPoint("0123456789abcdef");
    KeyShares made;
    ASSERT_EQ(WriteKeyShares(dir / "secret.bin", x1, BackupSharePaths(dir.Path(), "s"), &made), ShareWriteStatus::Ok);
    EXPECT_EQ(made.secretDigits, c.digits);
    const auto user = ReadShareFile(dir / "s_user.vbky");
    const auto maker = ReadShareFile(dir / "s_mk.vbky");
    ASSERT_TRUE(user && maker);
    const auto joined = JoinShares(*user, *maker, x1, MakerPoint(), c.bytes);
    ASSERT_TRUE(joined);
    EXPECT_EQ(*joined, secret);
}

INSTANTIATE_TEST_SUITE_P(Lengths, KeyBackupLengthTest,
                         ::testing::Values(LengthCase{3, 2}, LengthCase{647, 324}, LengthCase{648, 324},
                                           LengthCase{1001, 501}));

TEST(KeyBackupSplit, SecretsTooShortForACoefficientAreRefused) {
    const BigNumber x1 = *UserPoint("x");
    EXPECT_FALSE(SplitSecret(std::vector<std::uint8_t>{1, 2}, x1, MakerPoint()));
    EXPECT_FALSE(SplitSecret(std::vector<std::uint8_t>{1, 2, 3}, MakerPoint(), x1));
}

TEST_F(KeyBackupTest, OverwriteQuestionAnsweredNoLeavesBothFilesAsTheyWere) {
    MakeShares();
    const auto userBefore = ReadFileBytes(UserShare());
    const auto makerBefore = ReadFileBytes(MakerShare());

    // Only the user's share there: the overwrite question.
    fs::rename(MakerShare(), data / "kept");
    dialog.PlanNo();
    EXPECT_EQ(flow->Backup(), KeyBackupFlow::Outcome::Declined);
    EXPECT_EQ(dialog.Questions().back(),
              "鍵のバックアップが既に存在します。鍵のバックアップファイルを上書きしますか？");
    EXPECT_EQ(ReadFileBytes(UserShare()), userBefore);
    EXPECT_FALSE(fs::exists(MakerShare()));
    fs::rename(data / "kept", MakerShare());

    // Both there, shares only: the same question.
    flow->offerSending = false;
    dialog.PlanNo();
    EXPECT_EQ(flow->Backup(), KeyBackupFlow::Outcome::Declined);
    EXPECT_EQ(dialog.Questions().back(),
              "鍵のバックアップが既に存在します。鍵のバックアップファイルを上書きしますか？");
    EXPECT_EQ(ReadFileBytes(UserShare()), userBefore);
    EXPECT_EQ(ReadFileBytes(MakerShare()), makerBefore);

    // Both there: asked whether to send them; No sends nothing.
    flow->offerSending = true;
    dialog.PlanNo();
    EXPECT_EQ(flow->Backup(), KeyBackupFlow::Outcome::Declined);
    EXPECT_EQ(ReadFileBytes(UserShare()), userBefore);
    EXPECT_EQ(ReadFileBytes(MakerShare()), makerBefore);
    EXPECT_TRUE(launcher.calls.empty());

    // Yes to overwriting makes a new pair that restores.
    flow->offerSending = false;
    dialog.PlanYes();
    EXPECT_EQ(flow->Backup(), KeyBackupFlow::Outcome::SharesMade);
    EXPECT_NE(ReadFileBytes(UserShare()), userBefore);
    EXPECT_NE(ReadFileBytes(MakerShare()), makerBefore);
    const fs::path out = dir / "again.vpri";
    EXPECT_EQ(RestorePrivateKeyFile(UserShare(), MakerShare(), state->publicKeyPath, out), KeyRestoreStatus::Ok);
    EXPECT_EQ(ReadFileBytes(out), privateKey);
    EXPECT_TRUE(dialog.AllAnswersUsed());
}

TEST_F(KeyBackupTest, TheMakerShareIsMailedEncryptedForTheMakerKeyAndWiped) {
    // The main window's own batch options play no part in the send.
    state->options.deleteSource = true;
    state->options.sendByMail = true;
    state->options.mailRecipient = "partner@example.jp";
    dialog.PlanYes();  // send
    EXPECT_EQ(flow->Backup(), KeyBackupFlow::Outcome::Sent);
    ASSERT_EQ(launcher.calls.size(), 1u);
    const auto& call = launcher.calls[0];
    EXPECT_EQ(call.argv.back(), "keys@vorneloft.example");
    EXPECT_EQ(call.Value("--subject"), "鍵のバックアップを送信します");
    const std::string body = call.Value("--body");
    EXPECT_EQ(body.rfind("バックアップ用の半鍵を送信します。\n", 0), 0u) << body;
    EXPECT_NE(body.find("Alice Owner"), std::string::npos);
    EXPECT_NE(body.find("alice@example.jp"), std::string::npos);
    EXPECT_NE(body.find(BackupIdentificationText(publicBlob)), std::string::npos);
    const fs::path attached = call.Value("--attach");
    EXPECT_EQ(attached.filename(), "alice_mk.vbky.tza");

    // The container: the maker share under one record for built-in key 343.
    ASSERT_EQ(call.attachments.size(), 1u);
    const auto& container = call.attachments[0];
    const std::size_t share = fs::file_size(MakerShare());
    ASSERT_GT(container.size(), share + 256 + 48);
    EXPECT_EQ(LoadLeI32(container.data() + container.size() - 44), 1);  // one record
    const auto maker = MakerPublicKeyFile(kClientMakerKeyId);
    const std::vector<std::uint8_t> makerBlob(maker.begin() + 4, maker.end());
    EXPECT_EQ(LoadLe64(container.data() + container.size() - 48 - 256), KeyFingerprint(makerBlob));
    // The share is not readable in it.
    const auto shareFile = ReadFileBytes(MakerShare());
    EXPECT_EQ(std::search(container.begin(), container.end(), shareFile.begin() + 8, shareFile.begin() + 40),
              container.end());

    // Wiped once the user said the mail was sent; no sending folder is left.
    EXPECT_EQ(dialog.Messages().back(),
              "メールソフトで送信を終えたら、OKを押してください。\n送信用の一時ファイルを完全削除します。");
    EXPECT_FALSE(fs::exists(attached));
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(data)) left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"alice_mk.vbky", "alice_user.vbky"}));
    // The main window's work list and options are as they were.
    EXPECT_TRUE(dialog.AllAnswersUsed());
    EXPECT_TRUE(state->options.deleteSource);
    EXPECT_EQ(state->options.mailRecipient, "partner@example.jp");
    EXPECT_TRUE(state->files.empty());
    EXPECT_TRUE(state->makerPublicKeyFile.empty());
}

TEST_F(KeyBackupTest, BothSharesThereSendsThemWithoutSplittingAgain) {
    MakeShares();
    const auto makerBefore = ReadFileBytes(MakerShare());
    dialog.PlanYes();
    EXPECT_EQ(flow->Backup(), KeyBackupFlow::Outcome::Sent);
    EXPECT_EQ(dialog.Questions(),
              (std::vector<std::string>{
                  "鍵のバックアップは既に作成されています。\n作成済みのメーカー用の半鍵をメーカーへ送信しますか？"}));
    EXPECT_EQ(ReadFileBytes(MakerShare()), makerBefore);
    EXPECT_EQ(launcher.calls.size(), 1u);
}

TEST_F(KeyBackupTest, SharesOfAnEarlierKeyOfTheSameNameAreNotSent) {
    MakeShares();
    const auto userBefore = ReadFileBytes(UserShare());
    // A new key set under the same name.
    for (const auto& p : {state->publicKeyPath, state->privateKeyPath}) {
        fs::permissions(p, fs::perms::owner_write, fs::perm_options::add);
        fs::remove(p);
    }
    CKeyGenerator gen(dialog, host, JapaneseTexts());
    gen.SetFolder(keys);
    ASSERT_EQ(gen.Generate("alice"), CKeyGenerator::Generated);
    dialog.PlanNo();
    EXPECT_EQ(flow->Backup(), KeyBackupFlow::Outcome::Declined);
    EXPECT_EQ(
        dialog.Questions(),
        (std::vector<std::string>{"鍵のバックアップが既に存在します。鍵のバックアップファイルを上書きしますか？"}));
    EXPECT_EQ(ReadFileBytes(UserShare()), userBefore);
    EXPECT_TRUE(launcher.calls.empty());
}

TEST_F(KeyBackupTest, AMailNotTakenStillWipesTheContainer) {
    launcher.result = false;
    dialog.PlanYes();
    EXPECT_EQ(flow->Backup(), KeyBackupFlow::Outcome::Failed);
    ASSERT_EQ(launcher.calls.size(), 1u);
    EXPECT_FALSE(fs::exists(launcher.calls[0].Value("--attach")));
    for (const auto& m : dialog.Messages()) EXPECT_EQ(m.find("メールソフトで送信を終えたら"), std::string::npos);
}

TEST_F(KeyBackupTest, WithoutAReadablePrivateKeyNoShareIsMade) {
    fs::permissions(state->privateKeyPath, fs::perms::owner_write, fs::perm_options::add);
    WriteFileBytes(state->privateKeyPath, std::vector<std::uint8_t>(privateKey.begin(), privateKey.begin() + 600));
    EXPECT_EQ(flow->Backup(), KeyBackupFlow::Outcome::Failed);
    EXPECT_EQ(dialog.Messages(), (std::vector<std::string>{"鍵のバックアップファイルの生成に失敗しました。"}));
    EXPECT_FALSE(fs::exists(UserShare()));
    EXPECT_FALSE(fs::exists(MakerShare()));
}

TEST_F(KeyBackupTest, RepairRequestSendsTheUserShareOrSaysItIsMissing) {
    EXPECT_FALSE(flow->RequestRepair());
    EXPECT_EQ(dialog.Messages(), (std::vector<std::string>{"秘密分散された自己鍵が所定の位置にありません"}));
    EXPECT_TRUE(launcher.calls.empty());

    MakeShares();
    dialog.PlanYes();
    EXPECT_TRUE(flow->RequestRepair());
    ASSERT_EQ(launcher.calls.size(), 1u);
    const auto& call = launcher.calls[0];
    EXPECT_EQ(call.Value("--subject"), "鍵の修復依頼です");
    EXPECT_EQ(call.Value("--body").rfind("修復用の半鍵を送信します。\n", 0), 0u);
    EXPECT_EQ(fs::path(call.Value("--attach")).filename(), "alice_user.vbky.tza");
    EXPECT_EQ(call.argv.back(), "keys@vorneloft.example");
    EXPECT_FALSE(fs::exists(call.Value("--attach")));
}

TEST_F(KeyBackupTest, RepairDialogMailCarriesTheRepairCopy) {
    EXPECT_FALSE(flow->SendRepairFragment("alice"));
    EXPECT_EQ(dialog.Messages(), (std::vector<std::string>{"秘密分散された自己鍵が所定の位置にありません"}));
    EXPECT_TRUE(launcher.calls.empty());

    MakeShares();
    EXPECT_TRUE(flow->SendRepairFragment("alice"));
    ASSERT_EQ(launcher.calls.size(), 1u);
    const auto& call = launcher.calls[0];
    EXPECT_EQ(call.Value("--subject"), "[鍵の修復依頼]");
    EXPECT_EQ(call.Value("--body"), "鍵の修復依頼です。\n公開鍵と秘密鍵の復元用ファイルを送信します。");
    EXPECT_EQ(fs::path(call.Value("--attach")), data / "keyFragment.vbky");
    EXPECT_EQ(call.argv.back(), "keys@vorneloft.example");
    EXPECT_EQ(ReadFileBytes(data / "keyFragment.vbky"), ReadFileBytes(UserShare()));

    // A fragment put in place by hand serves without a share of the key set.
    EXPECT_TRUE(flow->SendRepairFragment("nobody"));
    EXPECT_EQ(launcher.calls.size(), 2u);
}

TEST_F(KeyBackupTest, RestoreRefusesSharesThatDoNotGiveTheKeyAndWritesNothing) {
    MakeShares();
    const fs::path firstUser = dir / "first_user.vbky";
    const fs::path firstMaker = dir / "first_mk.vbky";
    fs::copy_file(UserShare(), firstUser);
    fs::copy_file(MakerShare(), firstMaker);
    dialog.PlanYes();  // overwrite: a second pair with another coefficient
    flow->offerSending = false;
    ASSERT_EQ(flow->Backup(), KeyBackupFlow::Outcome::SharesMade);

    // Another key set's public key.
    CKeyGenerator gen(dialog, host, JapaneseTexts());
    gen.SetFolder(keys);
    ASSERT_EQ(gen.Generate("bob"), CKeyGenerator::Generated);
    const fs::path bobPublic = gen.PublicKeyPath();
    const fs::path broken = dir / "broken.vbky";
    auto bytes = ReadFileBytes(UserShare());
    bytes.pop_back();
    WriteFileBytes(broken, bytes);

    struct Case {
        const char* label;
        fs::path user, maker, pub;
        KeyRestoreStatus status;
    };
    const fs::path pub = state->publicKeyPath;
    const std::vector<Case> cases = {
        {"user share of another run", firstUser, MakerShare(), pub, KeyRestoreStatus::NoMatch},
        {"maker share of another run", UserShare(), firstMaker, pub, KeyRestoreStatus::NoMatch},
        {"shares swapped", MakerShare(), UserShare(), pub, KeyRestoreStatus::NoMatch},
        {"another key's public key", UserShare(), MakerShare(), bobPublic, KeyRestoreStatus::NoMatch},
        {"a share cut short", broken, MakerShare(), pub, KeyRestoreStatus::UserShareUnreadable},
        {"no maker share", UserShare(), dir / "none", pub, KeyRestoreStatus::MakerShareUnreadable},
        {"no public key", UserShare(), MakerShare(), dir / "none.vpub", KeyRestoreStatus::PublicKeyUnreadable},
    };
    const fs::path out = dir / "out" / "alicePrivate.vpri";
    fs::create_directories(out.parent_path());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(RestorePrivateKeyFile(c.user, c.maker, c.pub, out), c.status);
        EXPECT_TRUE(fs::is_empty(out.parent_path()));
    }
    // An existing file is never replaced, even by the right key.
    WriteFileBytes(out, {1, 2, 3});
    EXPECT_EQ(RestorePrivateKeyFile(UserShare(), MakerShare(), pub, out), KeyRestoreStatus::OutputExists);
    EXPECT_EQ(ReadFileBytes(out), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(RestorePrivateKeyFile(firstUser, firstMaker, pub, dir / "out" / "b.vpri"), KeyRestoreStatus::Ok);
}

}  // namespace
}  // namespace tessarin::test
