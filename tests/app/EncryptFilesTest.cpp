#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <functional>

#include "PipelineFixture.h"
#include "container/ArchiveHistoryMan.h"
#include "container/ContainerFormat.h"
#include "platform/ByteIo.h"

namespace tessarin::test {
namespace {

namespace fs = std::filesystem;

std::array<std::uint8_t, 32> Secret(const KeySet& k) {
    return *AuthSecret(k.priv);
}

TEST_F(PipelineTest, EmptySourceForOneRecipientIs304BytesAndDecodes) {
    state->files = {Source("empty.txt", "")};
    EXPECT_EQ(state->EncryptFiles(kModeCommand), 1);
    const fs::path out = dir / "src" / "empty.txt.tza";
    ASSERT_TRUE(fs::exists(out));
    EXPECT_EQ(fs::file_size(out), 304u);
    EXPECT_EQ(Listing(dir / "src"), (std::vector<std::string>{"empty.txt", "empty.txt.tza"}));
    EXPECT_EQ(dialog.Messages(), std::vector<std::string>{"1 files succeeded encryption."});
    EXPECT_EQ(dialog.Statuses(),
              (std::vector<std::string>{"Encrypt Processing. Please wait a minute.", "Encrypting a file of 1 out of 1.",
                                        "empty.txt is encrypting....."}));
    EXPECT_EQ(dialog.ProgressTotal(), 1);
    EXPECT_EQ(dialog.Progress(), 1);

    const auto d = Decode(out, north);
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_TRUE(d.payload.empty());
    EXPECT_EQ(d.storedName, "empty.txt");
    EXPECT_EQ(d.flags, 0);
    EXPECT_EQ(d.recordCount, 1);
    EXPECT_EQ(d.AuthValue(), Secret(north));
    EXPECT_EQ(d.PrivateKeyDigest(), Secret(north));
    EXPECT_EQ(d.SenderKeyCheck(), KeyMarkLow(north.Blob()));
    EXPECT_EQ(d.Count(), 0u);
    EXPECT_EQ(d.Limit(), 0u);
    EXPECT_EQ(d.EncryptionTime(), host.LocalTime().ToBytes());
    EXPECT_EQ(d.LimitStart(), (std::array<std::uint8_t, 16>{}));
    const std::array<std::uint8_t, 32> zero{};
    EXPECT_EQ(d.MachineDigest(), container::MachineDigest(zero, host.user, host.computer));
    EXPECT_FALSE(state->LastThroughputNote().empty());
}

TEST_F(PipelineTest, TwoRecipientsEachDecodeTheSamePayload) {
    const std::string text = "The quick brown fox jumps over the lazy dog, 0123456789.";
    state->files = {Source("a.txt", text)};
    state->recipients = {southAuth};
    ASSERT_EQ(state->EncryptFiles(kModeCommand), 1);
    const fs::path out = dir / "src" / "a.txt.tza";
    EXPECT_EQ(fs::file_size(out), text.size() + 2 * 256 + 48);
    const auto forNorth = Decode(out, north);
    const auto forSouth = Decode(out, south);
    ASSERT_TRUE(forNorth.ok) << forNorth.error;
    ASSERT_TRUE(forSouth.ok) << forSouth.error;
    EXPECT_EQ(forNorth.payload, Bytes(text));
    EXPECT_EQ(forSouth.payload, Bytes(text));
    EXPECT_EQ(forSouth.storedName, "a.txt");
    EXPECT_EQ(forNorth.fileKey, forSouth.fileKey);
    EXPECT_NE(forNorth.recordIndex, forSouth.recordIndex);
    // Each record carries its recipient's auth secret and the sender's digest.
    EXPECT_EQ(forSouth.AuthValue(), Secret(south));
    EXPECT_EQ(forSouth.PrivateKeyDigest(), Secret(north));
}

TEST_F(PipelineTest, FileKeysDifferWithTheClockAndThePath) {
    state->files = {Source("a.txt", "same"), Source("b.txt", "same")};
    ASSERT_EQ(state->EncryptFiles(kModeCommand), 2);
    const auto a = Decode(dir / "src" / "a.txt.tza", north);
    const auto b = Decode(dir / "src" / "b.txt.tza", north);
    EXPECT_NE(a.fileKey, b.fileKey);
    // The same path a millisecond later.
    host.tick += 1;
    state->files = {dir / "src" / "a.txt"};
    dialog.PlanYes();  // overwrite
    ASSERT_EQ(state->EncryptFiles(kModeCommand), 1);
    EXPECT_NE(Decode(dir / "src" / "a.txt.tza", north).fileKey, a.fileKey);
}

// The records carry the key as the cipher keeps it after key setup, so
// keying a cipher with the stored bytes gives the same bytes back.
TEST_F(PipelineTest, RecordsCarryTheFileKeyAsSet) {
    state->files = {Source("a.txt", "one"), Source("b.txt", "two"), Source("c.txt", "three")};
    ASSERT_EQ(state->EncryptFiles(kModeCommand), 3);
    for (const char* name : {"a.txt.tza", "b.txt.tza", "c.txt.tza"}) {
        SCOPED_TRACE(name);
        const auto d = Decode(dir / "src" / name, north);
        ASSERT_TRUE(d.ok) << d.error;
        CStreamCipher c;
        c.SetWordCount(8);
        c.SetKey(std::span<const std::uint8_t>(d.fileKey.data(), 32));
        std::array<std::uint32_t, 8> words{};
        ASSERT_TRUE(c.GetKey(words.data()));
        for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(words[i], LoadLe32(d.fileKey.data() + 4 * i)) << i;
    }
}

struct ModeCase {
    const char* label;
    EncryptMode mode;
    bool limit;
    bool logs;
    bool plainRecipient;
    bool optionsCheckBox;
    std::uint8_t flags;
    std::int32_t countField;  // N, or U + B with a history
    bool decodable;
};

class ModeFlagsTest : public PipelineTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(ModeFlagsTest, OptionValueBecomesFlags) {
    const ModeCase& c = GetParam();
    state->files = {Source("m.txt", "mode payload")};
    state->options.manageLogs = c.logs;
    if (c.limit) {
        state->options.timeLimit.kind = TimeLimitInput::Kind::Relative;
        state->options.timeLimit.value = 2;
        state->options.timeLimit.unit = TimeUnit::Days;
        state->options.optionsLimitChecked = true;
    }
    state->optionsCheckBox = c.optionsCheckBox;
    if (c.plainRecipient) state->recipients = {southPlain};
    if (c.mode == kModeBackup) state->makerPublicKeyFile = south.pub;  // a stand-in for the built-in key
    if (c.mode == kModeFolder) {
        ASSERT_TRUE(state->LoadHeldKeyMaterial());
    }
    ASSERT_EQ(state->EncryptFiles(c.mode), 1) << c.label;
    const auto bytes = ReadFileBytes(dir / "src" / "m.txt.tza");
    ASSERT_GE(bytes.size(), 304u);
    EXPECT_EQ(bytes[bytes.size() - 48 + 23], c.flags) << c.label;
    EXPECT_EQ(bytes[bytes.size() - 48 + 27], c.flags) << c.label;
    EXPECT_EQ(LoadLeI32(bytes.data() + bytes.size() - 44), c.countField) << c.label;
    if (!c.decodable) return;
    const auto d = Decode(dir / "src" / "m.txt.tza", north);
    ASSERT_TRUE(d.ok) << c.label << ": " << d.error;
    EXPECT_EQ(d.payload, Bytes("mode payload"));
    EXPECT_EQ(d.Limit(), c.limit && c.mode != kModeFolder ? 2u * 86400 : 0u) << c.label;
    if (c.flags & 8) {
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(d.senderRecord.data())), "north");
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(d.senderRecord.data() + 20)), "north@example.jp");
        EXPECT_EQ(d.senderKeyFile, north.pub);
    }
    if (c.flags & 0x10) {
        FixedHost h;
        CArchiveHistoryMan history(h);
        history.Open(dir / "src");
        history.SetContainer(dir / "src" / "m.txt.tza", container::BuildTail(0, 0, 0), d.fileKey);
        ASSERT_EQ(history.Load(), CArchiveHistoryMan::Loaded);
        EXPECT_EQ(history.UserName(0), "north");
        EXPECT_EQ(history.MailAddress(0), "north@example.jp");
        ASSERT_EQ(history.RecordCount(), 1);
        EXPECT_EQ(history.RecordAt(0).operation, CArchiveHistoryMan::Created);
        EXPECT_EQ(history.RecordAt(0).user, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ModeFlagsTest,
    ::testing::Values(ModeCase{"plain", kModeCommand, false, false, false, false, 0, 1, true},
                      ModeCase{"limit alone", kModeCommand, true, false, false, false, 0, 1, true},
                      ModeCase{"limit and logs", kModeCommand, true, true, false, false, 18, 2, true},
                      ModeCase{"plain public key", kModeAddressBook, false, false, true, false, 8, 2, true},
                      ModeCase{"plain key and logs", kModeAddressBook, false, true, true, false, 24, 3, true},
                      ModeCase{"self", kModeSelf, false, false, false, false, 16, 2, true},
                      ModeCase{"options box off", kModeOptions, true, false, false, false, 16, 2, true},
                      ModeCase{"options box on", kModeOptions, true, false, false, true, 0, 1, true},
                      ModeCase{"backup", kModeBackup, true, false, false, false, 8, 1, false},
                      ModeCase{"folder", kModeFolder, true, true, false, false, 0, 1, true}),
    [](const auto& testInfo) {
        std::string s = testInfo.param.label;
        for (auto& ch : s)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return s;
    });

TEST_F(PipelineTest, BackupRecordIsForTheBuiltInKey) {
    state->files = {Source("k.bin", "backup")};
    state->makerPublicKeyFile = south.pub;
    ASSERT_EQ(state->EncryptFiles(kModeBackup), 1);
    const auto d = Decode(dir / "src" / "k.bin.tza", south);
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_EQ(d.AuthValue(), (std::array<std::uint8_t, 32>{}));
    EXPECT_EQ(d.Limit(), 0u);
    EXPECT_EQ(d.payload, Bytes("backup"));
}

TEST_F(PipelineTest, LimitFromFirstDecryptionStartsAtTheEncryptionTime) {
    state->files = {Source("t.txt", "x")};
    state->options.timeLimit.kind = TimeLimitInput::Kind::Relative;
    state->options.timeLimit.value = 3;
    state->options.timeLimit.unit = TimeUnit::Hours;
    state->options.timeLimit.fromFirstDecryption = true;
    ASSERT_EQ(state->EncryptFiles(kModeCommand), 1);
    const auto d = Decode(dir / "src" / "t.txt.tza", north);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.Limit(), 3u * 3600);
    EXPECT_EQ(d.LimitStart(), d.EncryptionTime());
}

TEST_F(PipelineTest, HiddenFilesAndShortcutsLeaveTheList) {
    const auto target = Source("t.txt", "t");
    fs::create_symlink(target, dir / "src" / "link.txt");
    Source(".hidden", "h");
    state->files = {dir / "src" / ".hidden", dir / "src" / "link.txt"};
    EXPECT_EQ(state->EncryptFiles(kModeCommand), 0);
    EXPECT_EQ(dialog.Messages(),
              (std::vector<std::string>{"Remove the hidden file and .lnk file.", "Not exist File in the studio."}));
    ScriptedUserDialog only;
    MainWindowState s2(host, only, texts, launcher);
    s2.files = {dir / "src" / "link.txt"};
    EXPECT_EQ(s2.EncryptFiles(kModeCommand), 0);
    EXPECT_EQ(only.Messages(), (std::vector<std::string>{"Because .lnk file can not encrypt,it remove in the list.",
                                                         "Not exist File in the studio."}));
    ScriptedUserDialog hidden;
    MainWindowState s3(host, hidden, texts, launcher);
    s3.files = {dir / "src" / ".hidden"};
    EXPECT_EQ(s3.EncryptFiles(kModeCommand), 0);
    EXPECT_EQ(hidden.Messages(),
              (std::vector<std::string>{"Remove the hidden file.", "Not exist File in the studio."}));
    EXPECT_EQ(Listing(dir / "src"), (std::vector<std::string>{".hidden", "link.txt", "t.txt"}));
}

TEST_F(PipelineTest, MissingRecipientKeys) {
    state->files = {Source("a.txt", "a")};
    state->recipients = {dir / "keys" / "gone))x-auth.vpub", southAuth};
    EXPECT_EQ(state->EncryptFiles(kModeCommand), 1);
    EXPECT_EQ(dialog.Messages(),
              (std::vector<std::string>{"gone))x-auth.vpub was not found.\n", "1 files succeeded encryption."}));

    ScriptedUserDialog none;
    MainWindowState s2(host, none, texts, launcher);
    s2.files = {dir / "src" / "a.txt"};
    s2.selfAuthKeyPath = selfAuth;
    s2.options.withoutMyAddress = true;
    s2.recipients = {dir / "keys" / "gone))x-auth.vpub", dir / "keys" / "b.vpub"};
    EXPECT_EQ(s2.EncryptFiles(kModeCommand), 0);
    EXPECT_EQ(none.Messages(),
              (std::vector<std::string>{"gone))x-auth.vpub was not found.\nb.vpub was not found.\n",
                                        "Not exit available public key. So this file was not encripted."}));

    fs::remove(selfAuth);
    ScriptedUserDialog self;
    MainWindowState s3(host, self, texts, launcher);
    s3.files = {dir / "src" / "a.txt"};
    s3.selfAuthKeyPath = selfAuth;
    EXPECT_EQ(s3.EncryptFiles(kModeCommand), 0);
    EXPECT_EQ(self.Messages(), std::vector<std::string>{texts[slot::kNoSelfAuthKey]});
}

TEST_F(PipelineTest, FilesThatAreNotEncrypted) {
    const auto tza = Source("b.tza", "b");
    const auto vpri = Source("k.vpri", "k");
    const auto locked = Source("l.txt", "l");
    const auto good = Source("g.txt", "g");
    // Another open file holds a write lock on l.txt.
    const int fd = ::open(locked.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    ASSERT_EQ(::fcntl(fd, F_OFD_SETLK, &lock), 0);
    state->files = {tza, vpri, locked, good};
    EXPECT_EQ(state->EncryptFiles(kModeCommand), 1);
    ::close(fd);
    EXPECT_EQ(dialog.Messages(),
              (std::vector<std::string>{"b.tzahas already encrypted.", "k.vpriis PrivateKey File,not to encrypt.",
                                        "Because l.txt is edited by another program, not to encrypt.",
                                        "1 files succeeded encryption."}));
    EXPECT_EQ(Listing(dir / "src"), (std::vector<std::string>{"b.tza", "g.txt", "g.txt.tza", "k.vpri", "l.txt"}));
    EXPECT_EQ(dialog.Progress(), 4);
}

TEST_F(PipelineTest, PipesAndFoldersAreNoSources) {
    ASSERT_EQ(::mkfifo((dir / "src" / "pipe").c_str(), 0644), 0);
    fs::create_directory(dir / "src" / "sub");
    state->files = {dir / "src" / "pipe", dir / "src" / "sub"};
    EXPECT_EQ(state->EncryptFiles(kModeCommand), 0);
    EXPECT_EQ(dialog.Messages(), (std::vector<std::string>{"Input File cannot Open.", "Input File cannot Open.",
                                                           "0 files succeeded encryption."}));
    EXPECT_EQ(Listing(dir / "src"), (std::vector<std::string>{"pipe", "sub"}));
}

TEST_F(PipelineTest, SourcesOf2GiBAndMoreAreRefusedBeforeWriting) {
    const auto big = dir / "src" / "big.bin";
    {
        const int fd = ::open(big.c_str(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, off_t{1} << 31), 0);  // sparse
        ::close(fd);
    }
    state->files = {big};
    EXPECT_EQ(state->EncryptFiles(kModeCommand), 0);
    EXPECT_EQ(dialog.Messages(), (std::vector<std::string>{"big.bin is 2 GB or larger and cannot be encrypted.",
                                                           "0 files succeeded encryption."}));
    EXPECT_EQ(Listing(dir / "src"), std::vector<std::string>{"big.bin"});
}

class OverwriteTest : public PipelineTest {
protected:
    void SetUp() override {
        PipelineTest::SetUp();
        for (const char* n : {"a.txt", "b.txt", "c.txt"}) {
            state->files.push_back(Source(n, std::string("new ") + n));
            WriteFileBytes(dir / "src" / (std::string(n) + ".tza"), Bytes("old"));
        }
    }
    bool IsOld(const char* n) { return ReadFileBytes(dir / "src" / (std::string(n) + ".tza")) == Bytes("old"); }
};

TEST_F(OverwriteTest, OverwriteAllAsksOnce) {
    dialog.PlanContinue(ContinueConfirm::All);
    EXPECT_EQ(state->EncryptFiles(kModeCommand), 3);
    EXPECT_TRUE(dialog.AllAnswersUsed());
    const auto& box = dialog.LastContinue();
    EXPECT_EQ(box.title, "Overwrite");
    EXPECT_EQ(box.text, "a.txt.tza\nOverwrite for same name file.\nDo you Encrypt?");
    EXPECT_EQ(box.captions, (std::array<std::string, 4>{"Yes", "Overwrite all", "No", "Stop"}));
    EXPECT_EQ(dialog.QuestionIds(), std::vector<QuestionId>{QuestionId::OverwriteOutput});
    for (const char* n : {"a.txt", "b.txt", "c.txt"}) {
        EXPECT_FALSE(IsOld(n)) << n;
        EXPECT_TRUE(Decode(dir / "src" / (std::string(n) + ".tza"), north).ok) << n;
    }
}

TEST_F(OverwriteTest, NoSkipsAndStopEndsTheBatch) {
    dialog.PlanContinue(ContinueConfirm::Third);
    dialog.PlanContinue(ContinueConfirm::First);
    dialog.PlanContinue(ContinueConfirm::Stop);
    EXPECT_EQ(state->EncryptFiles(kModeCommand), 1);
    EXPECT_TRUE(IsOld("a.txt"));
    EXPECT_FALSE(IsOld("b.txt"));
    EXPECT_TRUE(IsOld("c.txt"));
    EXPECT_EQ(dialog.Messages().back(), "1 files succeeded encryption.");
    EXPECT_EQ(Listing(dir / "src").size(), 6u);  // no temporary files left
}

TEST_F(OverwriteTest, OneFileGetsAYesNoBoxAndReadOnlyIsSkipped) {
    state->files.resize(1);
    dialog.PlanNo();
    EXPECT_EQ(state->EncryptFiles(kModeCommand), 0);
    EXPECT_EQ(dialog.Questions(),
              std::vector<std::string>{"a.txt.tza\nOverwrite for same name file.\nDo you Encrypt?"});
    EXPECT_EQ(dialog.QuestionIds(), std::vector<QuestionId>{QuestionId::OverwriteOutput});
    EXPECT_TRUE(IsOld("a.txt"));

    fs::permissions(dir / "src" / "a.txt.tza", fs::perms::owner_read);
    ScriptedUserDialog ro;
    MainWindowState s2(host, ro, texts, launcher);
    s2.files = state->files;
    s2.selfAuthKeyPath = selfAuth;
    s2.publicKeyPath = state->publicKeyPath;
    s2.privateKeyPath = state->privateKeyPath;
    EXPECT_EQ(s2.EncryptFiles(kModeCommand), 0);
    EXPECT_EQ(ro.Messages(), (std::vector<std::string>{"a.txt.tza is read only file.\nCan't overwrite.",
                                                       "0 files succeeded encryption."}));
    EXPECT_TRUE(IsOld("a.txt"));
}

TEST_F(PipelineTest, HistoryWithoutTheCreatorAsks) {
    state->files = {Source("a.txt", "a"), Source("b.txt", "b")};
    state->recipients = {southAuth};
    state->options.withoutMyAddress = true;
    state->options.manageLogs = true;
    dialog.PlanNo();
    EXPECT_EQ(state->EncryptFiles(kModeCommand), 0);
    EXPECT_EQ(dialog.Questions(),
              std::vector<std::string>{"Because Address don't contain encrypted file creater,cannot record logs.\n"
                                       "Do you encrypt without recording?"});
    EXPECT_EQ(Listing(dir / "src"), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(dialog.Messages(), std::vector<std::string>{"0 files succeeded encryption."});

    // Yes: asked once, then both written without history.
    ScriptedUserDialog yes;
    MainWindowState s2(host, yes, texts, launcher);
    s2.files = state->files;
    s2.recipients = {southAuth};
    s2.options = state->options;
    s2.publicKeyPath = state->publicKeyPath;
    s2.privateKeyPath = state->privateKeyPath;
    s2.selfAuthKeyPath = selfAuth;
    yes.PlanYes();
    EXPECT_EQ(s2.EncryptFiles(kModeCommand), 2);
    EXPECT_EQ(yes.Questions().size(), 1u);
    const auto bytes = ReadFileBytes(dir / "src" / "b.txt.tza");
    EXPECT_EQ(bytes[bytes.size() - 21], 0);
    EXPECT_TRUE(Decode(dir / "src" / "b.txt.tza", south).ok);
    EXPECT_FALSE(Decode(dir / "src" / "b.txt.tza", north).ok);
}

TEST_F(PipelineTest, KeyProblemsEndTheBatchAndLeaveNothing) {
    struct Case {
        const char* label;
        std::function<void()> breakIt;
        std::string message;
    };
    const Case cases[] = {
        {"auth key not authenticated", [&] { WriteFileBytes(southAuth, south.pub); },
         "This public key was not authenticated. Need to authenicate Key for your partner."},
        {"auth key for someone else", [&] { WriteFileBytes(southAuth, MakeAuthKeyFile(south, south, "south", "s@x")); },
         "Please use the right public key."},
        {"private key missing", [&] { fs::remove(dir / "keys" / "northPrivate.vpri"); },
         "Not open PrivateKey(" + (dir / "keys" / "northPrivate.vpri").string() + ").\nNot Exist PrivateKey."},
    };
    for (const auto& c : cases) {
        SetUp();
        c.breakIt();
        ScriptedUserDialog d;
        MainWindowState s(host, d, texts, launcher);
        s.files = {Source("a.txt", "a"), Source("b.txt", "b")};
        s.recipients = {southAuth};
        s.publicKeyPath = state->publicKeyPath;
        s.privateKeyPath = state->privateKeyPath;
        s.selfAuthKeyPath = selfAuth;
        EXPECT_EQ(s.EncryptFiles(kModeCommand), 0) << c.label;
        ASSERT_FALSE(d.Messages().empty()) << c.label;
        EXPECT_EQ(d.Messages().front(), c.message) << c.label;
        EXPECT_EQ(d.Messages().back(), "0 files succeeded encryption.") << c.label;
        EXPECT_EQ(Listing(dir / "src"), (std::vector<std::string>{"a.txt", "b.txt"})) << c.label;
        fs::remove_all(dir / "keys");
        fs::remove_all(dir / "src");
    }
}

TEST_F(PipelineTest, RsaServiceFailureShowsItsText) {
    auto broken = south.pub;
    broken[4 + 8] = 'X';  // the RSAPUBKEY magic
    WriteFileBytes(southPlain, broken);
    state->files = {Source("a.txt", "a")};
    state->recipients = {southPlain};
    EXPECT_EQ(state->EncryptFiles(kModeAddressBook), 0);
    ASSERT_EQ(dialog.Messages().size(), 2u);
    EXPECT_EQ(dialog.Messages()[0].rfind("CryptAPIエラー: ", 0), 0u) << dialog.Messages()[0];
    EXPECT_GT(dialog.Messages()[0].size(), std::string("CryptAPIエラー: ").size());
    EXPECT_EQ(Listing(dir / "src"), std::vector<std::string>{"a.txt"});
}

TEST_F(PipelineTest, DeleteSourcesAndSendByMail) {
    state->files = {Source("a.txt", "a"), Source("b.txt", "b")};
    state->options.deleteSource = true;
    state->options.sendByMail = true;
    state->options.mailRecipient = "south@example.jp";
    dialog.PlanYes();
    EXPECT_EQ(state->EncryptFiles(kModeCommand), 2);
    EXPECT_EQ(
        dialog.Questions(),
        std::vector<std::string>{"It tries to delete the file of 2 piece encrypted completely. \n Do you delete it ?"});
    EXPECT_EQ(dialog.QuestionIds(), std::vector<QuestionId>{QuestionId::DeleteSources});
    EXPECT_EQ(Listing(dir / "src"), (std::vector<std::string>{"a.txt.tza", "b.txt.tza"}));
    ASSERT_EQ(launcher.calls.size(), 1u);
    const auto& argv = launcher.calls[0];
    const std::vector<std::string> expected{"xdg-email",       "--utf8",
                                            "--subject",       "Forwarding encrypted files",
                                            "--body",          "Files are attached.\na.txt.tza\nb.txt.tza\n",
                                            "--attach",        (dir / "src" / "a.txt.tza").string(),
                                            "--attach",        (dir / "src" / "b.txt.tza").string(),
                                            "south@example.jp"};
    EXPECT_EQ(argv, expected);

    // No keeps the sources.
    ScriptedUserDialog keep;
    MainWindowState s2(host, keep, texts, launcher);
    s2.files = {Source("c.txt", "c")};
    s2.publicKeyPath = state->publicKeyPath;
    s2.privateKeyPath = state->privateKeyPath;
    s2.selfAuthKeyPath = selfAuth;
    s2.options.deleteSource = true;
    keep.PlanNo();
    EXPECT_EQ(s2.EncryptFiles(kModeCommand), 1);
    EXPECT_TRUE(fs::exists(dir / "src" / "c.txt"));
}

TEST_F(PipelineTest, OutputFolder) {
    fs::create_directories(dir / "out");
    state->files = {Source("a.txt", "a")};
    state->options.outputFolder = dir / "out";
    EXPECT_EQ(state->EncryptFiles(kModeCommand), 1);
    EXPECT_TRUE(fs::exists(dir / "out" / "a.txt.tza"));
    // Mode 3 uses it only with the main window's options switch on.
    state->files = {Source("b.txt", "b")};
    state->optionsCheckBox = false;
    EXPECT_EQ(state->EncryptFiles(kModeOptions), 1);
    EXPECT_TRUE(fs::exists(dir / "src" / "b.txt.tza"));
}

class FolderTest : public PipelineTest {
protected:
    void Fill(int count) {
        fs::create_directories(dir / "folder");
        for (int i = 0; i < count; ++i) {
            std::FILE* f = std::fopen((dir / "folder" / ("f" + std::to_string(i))).c_str(), "wb");
            ASSERT_NE(f, nullptr);
            std::fputc('x', f);
            std::fclose(f);
        }
    }
};

TEST_F(FolderTest, MoreThan1000FilesAsk) {
    Fill(1001);
    ASSERT_TRUE(state->LoadHeldKeyMaterial());
    dialog.PlanNo();
    EXPECT_EQ(state->EncryptFolder(dir / "folder"), 0);
    EXPECT_EQ(dialog.Questions(),
              std::vector<std::string>{"暗号化ファイル数が1000個を超えています。このまま暗号化処理を行いますか？"});
    EXPECT_EQ(Listing(dir / "folder").size(), 1001u);
}

TEST_F(FolderTest, Exactly1000FilesDoNotAsk) {
    Fill(1000);
    ASSERT_TRUE(state->LoadHeldKeyMaterial());
    dialog.CancelAfterPolls(0);  // stop at the first file: only the question matters here
    EXPECT_EQ(state->EncryptFolder(dir / "folder"), 0);
    EXPECT_TRUE(dialog.Questions().empty());
    EXPECT_EQ(state->files.size(), 1000u);
}

TEST_F(FolderTest, TheFolderWalkIsTheWorkAreasOne) {
    // Subfolders are walked; the shell's desktop.ini and thumbs.db (by the end
    // of the path) and symbolic links are left out.
    fs::create_directories(dir / "folder" / "sub");
    for (const char* name : {"a.txt", "sub/b.txt", "sub/Desktop.ini", "Thumbs.db", "mydesktop.ini"})
        WriteFileBytes(dir / "folder" / name, Bytes("x"));
    fs::create_symlink(dir / "folder" / "a.txt", dir / "folder" / "link.txt");
    ASSERT_TRUE(state->LoadHeldKeyMaterial());
    EXPECT_EQ(state->EncryptFolder(dir / "folder"), 2);
    EXPECT_EQ(state->files, (std::vector<fs::path>{dir / "folder" / "a.txt", dir / "folder" / "sub" / "b.txt"}));
}

TEST_F(FolderTest, ReadOnlyAndInUseFiles) {
    Fill(4);
    ASSERT_TRUE(state->LoadHeldKeyMaterial());
    fs::permissions(dir / "folder" / "f0", fs::perms::owner_read);
    fs::permissions(dir / "folder" / "f1", fs::perms::owner_read);
    const int fd = ::open((dir / "folder" / "f2").c_str(), O_RDWR);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    ASSERT_EQ(::fcntl(fd, F_OFD_SETLK, &lock), 0);
    state->noticeInsteadOfRepeat = true;
    dialog.PlanContinue(ContinueConfirm::All);  // "This message is not displayed as follows."
    EXPECT_EQ(state->EncryptFolder(dir / "folder"), 1);
    ::close(fd);
    // One notice only: its check box hid the rest.
    EXPECT_EQ(dialog.Texts(ScriptedUserDialog::Event::Continue),
              std::vector<std::string>{"Read Only File exist in selected folder.\nNot Encrypt This file."});
    EXPECT_EQ(dialog.LastContinue().title, "Continues check");
    EXPECT_TRUE(fs::exists(dir / "folder" / "f3.tza"));
    EXPECT_FALSE(fs::exists(dir / "folder" / "f2.tza"));
    EXPECT_EQ(dialog.Statuses()[1], "指定されたフォルダを暗号化中です(1/1)・・・");
    const auto d = Decode(dir / "folder" / "f3.tza", north);
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_EQ(d.AuthValue(), Secret(north));
}

}  // namespace
}  // namespace tessarin::test

namespace tessarin::test {
namespace {

namespace fs = std::filesystem;

// Two sources of the same name into one output folder, with wiping: the
// second would replace the first container and then both sources would go.
TEST_F(PipelineTest, AnOutputWrittenEarlierInTheBatchIsNeverReplaced) {
    for (const EncryptMode mode : {kModeCommand, kModeFolder}) {
        SCOPED_TRACE(static_cast<int>(mode));
        fs::remove_all(dir / "c");
        fs::remove_all(dir / "out");
        fs::create_directories(dir / "c" / "a");
        fs::create_directories(dir / "c" / "b");
        fs::create_directories(dir / "out");
        WriteFileBytes(dir / "c" / "a" / "x.txt", Bytes("AAA\n"));
        WriteFileBytes(dir / "c" / "b" / "x.txt", Bytes("BBB\n"));
        ScriptedUserDialog d;
        MainWindowState s(host, d, texts, launcher);
        s.publicKeyPath = state->publicKeyPath;
        s.privateKeyPath = state->privateKeyPath;
        s.selfAuthKeyPath = selfAuth;
        s.userName = "north";
        if (mode == kModeFolder) {
            ASSERT_TRUE(s.LoadHeldKeyMaterial());
        }
        s.files = {dir / "c" / "a" / "x.txt", dir / "c" / "b" / "x.txt"};
        s.options.outputFolder = dir / "out";
        s.options.deleteSource = true;
        d.PlanYes();  // wipe the sources
        EXPECT_EQ(s.EncryptFiles(mode), 1);
        const fs::path out = dir / "out" / "x.txt.tza";
        EXPECT_EQ(s.WrittenContainers(), std::vector<fs::path>{out});
        EXPECT_EQ(Listing(dir / "out"), std::vector<std::string>{"x.txt.tza"});
        const auto decoded = Decode(out, north);
        ASSERT_TRUE(decoded.ok) << decoded.error;
        EXPECT_EQ(decoded.payload, Bytes("AAA\n"));
        // The first source is wiped, the refused one is kept as it was.
        EXPECT_FALSE(fs::exists(dir / "c" / "a" / "x.txt"));
        EXPECT_EQ(ReadFileBytes(dir / "c" / "b" / "x.txt"), Bytes("BBB\n"));
        EXPECT_EQ(d.Questions(),
                  std::vector<std::string>{
                      "It tries to delete the file of 1 piece encrypted completely. \n Do you delete it ?"});
        EXPECT_EQ(d.Messages(),
                  (std::vector<std::string>{out.string() + " was already written earlier in this run and is not "
                                                           "overwritten. Its source is kept.",
                                            "1 files succeeded encryption."}));
    }
}

TEST_F(PipelineTest, AWipeThatFailedFailsItsItem) {
    const auto source = Source("s.bin", std::string(8192, 's'));
    ScriptedUserDialog inner;
    ActingDialog d(inner);
    MainWindowState s(host, d, texts, launcher);
    s.publicKeyPath = state->publicKeyPath;
    s.privateKeyPath = state->privateKeyPath;
    s.selfAuthKeyPath = selfAuth;
    s.files = {source};
    s.options.deleteSource = true;
    // Once the container is written, writes beyond 4 KiB fail: the wipe's
    // overwrite stops with an I/O error.
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    d.onQuestion = [&] {
        struct rlimit small = old;
        small.rlim_cur = 4096;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    };
    inner.PlanYes();
    const int succeeded = s.EncryptFiles(kModeCommand);
    (void)::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(succeeded, 0);
    EXPECT_EQ(inner.Messages(),
              (std::vector<std::string>{"It failed in the deletion of s.bin. ", "0 files succeeded encryption."}));
    EXPECT_TRUE(fs::exists(source));
    EXPECT_TRUE(Decode(dir / "src" / "s.bin.tza", north).ok);
}

TEST_F(PipelineTest, TheFolderReachesTheDiskBeforeASourceIsWiped) {
    state->files = {Source("a.txt", "a")};
    state->options.deleteSource = true;
    std::vector<fs::path> synced;
    state->syncFolder = [&](const fs::path& folder) {
        // The container is in place under its name, the source still there.
        EXPECT_TRUE(fs::exists(dir / "src" / "a.txt.tza"));
        EXPECT_TRUE(fs::exists(dir / "src" / "a.txt"));
        EXPECT_EQ(Listing(dir / "src"), (std::vector<std::string>{"a.txt", "a.txt.tza"}));
        synced.push_back(folder);
        return true;
    };
    dialog.PlanYes();
    EXPECT_EQ(state->EncryptFiles(kModeCommand), 1);
    EXPECT_EQ(synced, std::vector<fs::path>{dir / "src"});
    EXPECT_FALSE(fs::exists(dir / "src" / "a.txt"));

    // A folder that cannot be synced keeps the source, and the item fails.
    ScriptedUserDialog d;
    MainWindowState s(host, d, texts, launcher);
    s.publicKeyPath = state->publicKeyPath;
    s.privateKeyPath = state->privateKeyPath;
    s.selfAuthKeyPath = selfAuth;
    s.files = {Source("b.txt", "b")};
    s.options.deleteSource = true;
    s.syncFolder = [](const fs::path&) { return false; };
    d.PlanYes();
    EXPECT_EQ(s.EncryptFiles(kModeCommand), 0);
    EXPECT_TRUE(fs::exists(dir / "src" / "b.txt"));
    EXPECT_TRUE(fs::exists(dir / "src" / "b.txt.tza"));
    EXPECT_EQ(d.Messages(),
              (std::vector<std::string>{
                  "The container of b.txt could not be brought to the disk, so its source is not deleted.",
                  "0 files succeeded encryption."}));
}

// The history's users follow the records: whoever decrypts record i is user
// i, whatever the order of the recipient list.
struct UserOrderCase {
    const char* label;
    EncryptMode mode;
    bool withoutMe;
    bool southFirst;
    bool southPlain;
};

class HistoryUserOrderTest : public PipelineTest, public ::testing::WithParamInterface<UserOrderCase> {};

TEST_P(HistoryUserOrderTest, EachReaderIsLoggedUnderItsOwnName) {
    const auto& c = GetParam();
    state->files = {Source("h.txt", "history")};
    state->options.manageLogs = true;
    state->options.withoutMyAddress = c.withoutMe;
    const fs::path southKey = c.southPlain ? southPlain : southAuth;
    state->recipients = c.southFirst ? std::vector<fs::path>{southKey, selfAuth} : std::vector<fs::path>{southKey};
    ASSERT_EQ(state->EncryptFiles(c.mode), 1) << c.label;
    const fs::path out = dir / "src" / "h.txt.tza";
    const auto forNorth = Decode(out, north);
    const auto forSouth = Decode(out, south);
    ASSERT_TRUE(forNorth.ok) << forNorth.error;
    ASSERT_TRUE(forSouth.ok) << forSouth.error;
    CArchiveHistoryMan history(host);
    history.Open(dir / "src");
    history.SetContainer(out, container::BuildTail(0, 0, 0), forNorth.fileKey);
    ASSERT_EQ(history.Load(), CArchiveHistoryMan::Loaded);
    EXPECT_EQ(history.UserCount(), 2);
    EXPECT_EQ(history.UserName(forSouth.recordIndex), "south") << c.label;
    EXPECT_EQ(history.MailAddress(forSouth.recordIndex), c.southPlain ? "" : "south@example.jp") << c.label;
    EXPECT_EQ(history.UserName(forNorth.recordIndex), "north") << c.label;
    EXPECT_EQ(history.MailAddress(forNorth.recordIndex), "north@example.jp") << c.label;
    ASSERT_EQ(history.RecordCount(), 1);
    EXPECT_EQ(history.RecordAt(0).operation, CArchiveHistoryMan::Created);
    EXPECT_EQ(history.UserName(history.RecordAt(0).user), "north") << c.label;
}

INSTANTIATE_TEST_SUITE_P(Orders, HistoryUserOrderTest,
                         ::testing::Values(UserOrderCase{"own key added first", kModeCommand, false, false, false},
                                           UserOrderCase{"own key later in the list", kModeCommand, true, true, false},
                                           UserOrderCase{"plain key first, own later", kModeAddressBook, true, true,
                                                         true}),
                         [](const auto& testInfo) {
                             std::string s = testInfo.param.label;
                             for (auto& ch : s)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return s;
                         });

}  // namespace
}  // namespace tessarin::test
