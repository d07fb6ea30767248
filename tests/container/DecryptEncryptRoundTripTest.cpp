// Round trips through the encryption pipeline: containers written by
// MainWindowState::EncryptFiles for each mode and flag combination are
// decrypted by each of their recipients.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "Fixtures.h"
#include "ScriptedUserDialog.h"
#include "app/MainWindowState.h"
#include "container/ArchiveHistoryMan.h"
#include "container/ContainerReader.h"
#include "container/DecryptPipeline.h"
#include "core/LanguageTable.h"
#include "core/StreamCipher.h"
#include "keys/AuthSecret.h"
#include "keys/KeyFiles.h"
#include "platform/ByteIo.h"
#include "platform/Host.h"

namespace tessarin::test {
namespace {

namespace fs = std::filesystem;

class NoMailLauncher final : public IMailLauncher {
public:
    bool Run(const std::vector<std::string>&) override { return true; }
};

std::vector<std::uint8_t> AuthKeyFor(const std::vector<std::uint8_t>& ownerPub,
                                     const std::vector<std::uint8_t>& issuerPub,
                                     const std::vector<std::uint8_t>& issuerPriv, const std::string& name) {
    AuthRecord record;
    record.secret = *AuthSecret(issuerPriv);
    record.name = name;
    record.email = name + "@example.jp";
    auto cipher = EncryptAuthRecord(std::span(ownerPub).subspan(4), record);
    EXPECT_TRUE(cipher.Ok());
    return BuildAuthKeyFile(std::span(issuerPub).subspan(4), *cipher);
}

struct Case {
    const char* label;
    EncryptMode mode;
    bool limit;
    bool fromFirst;
    bool logs;
    bool plainRecipient;   // south as a plain public key: the sender block is attached
    bool forSouth = true;  // mode 1 encrypts to the user alone
};

class DecryptEncryptRoundTrip : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        texts.FillJapanese();
        texts.FillEnglish();
        northPub = ReadFileBytes(FixturePath("cryptoapi/north.vpub"));
        northPriv = ReadFileBytes(FixturePath("cryptoapi/northPrivate.vpri"));
        southPub = ReadFileBytes(FixturePath("cryptoapi/south.vpub"));
        southPriv = ReadFileBytes(FixturePath("cryptoapi/southPrivate.vpri"));
        keys = dir / "keys";
        fs::create_directories(keys / "KeyList_north");
        fs::create_directories(dir / "src");
        WriteFileBytes(keys / "north.vpub", northPub);
        WriteFileBytes(keys / "northPrivate.vpri", northPriv);
        selfAuth = keys / "KeyList_north" / "north))north-auth.vpub";
        southAuth = keys / "KeyList_north" / "north))south-auth.vpub";
        southPlain = keys / "KeyList_north" / "south.vpub";
        WriteFileBytes(selfAuth, AuthKeyFor(northPub, northPub, northPriv, "north"));
        WriteFileBytes(southAuth, AuthKeyFor(northPub, southPub, southPriv, "south"));
        WriteFileBytes(southPlain, southPub);
    }

    TempDir dir;
    FixedHost host;
    LanguageTable texts;
    NoMailLauncher launcher;
    std::vector<std::uint8_t> northPub, northPriv, southPub, southPriv;
    fs::path keys, selfAuth, southAuth, southPlain;
};

TEST_P(DecryptEncryptRoundTrip, EachRecipientDecrypts) {
    const Case c = GetParam();
    const auto source = dir / "src" / "report.txt";
    std::vector<std::uint8_t> content(70000);
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<std::uint8_t>(i * 7 + (i >> 9));
    WriteFileBytes(source, content);

    ScriptedUserDialog encryptDialog;
    MainWindowState state(host, encryptDialog, texts, launcher);
    state.publicKeyPath = keys / "north.vpub";
    state.privateKeyPath = keys / "northPrivate.vpri";
    state.selfAuthKeyPath = selfAuth;
    state.userName = "north";
    state.mailAddress = "north@example.jp";
    state.files = {source};
    state.recipients = {c.plainRecipient ? southPlain : southAuth};
    if (c.limit) {
        state.options.timeLimit.kind = TimeLimitInput::Kind::Relative;
        state.options.timeLimit.value = 2;
        state.options.timeLimit.unit = TimeUnit::Days;
        state.options.timeLimit.fromFirstDecryption = c.fromFirst;
    }
    state.options.manageLogs = c.logs;
    ASSERT_EQ(state.EncryptFiles(c.mode), 1) << c.label;
    const fs::path container = dir / "src" / "report.txt.tza";
    ASSERT_TRUE(fs::exists(container));
    fs::remove(source);

    struct Reader {
        const char* name;
        fs::path pub, priv;
    };
    for (const Reader& r :
         {Reader{"north", keys / "north.vpub", keys / "northPrivate.vpri"},
          Reader{"south", FixturePath("cryptoapi/south.vpub"), FixturePath("cryptoapi/southPrivate.vpri")}}) {
        SCOPED_TRACE(std::string(c.label) + " read by " + r.name);
        if (!c.forSouth && std::string(r.name) == "south") continue;
        ScriptedUserDialog dialog;
        CStreamCipher cipher;
        container::DecryptRun run(host, dialog, cipher, texts);
        run.publicKeyPath = r.pub;
        run.privateKeyPath = r.priv;
        run.files = {container};
        run.isOnCdRom = [](const fs::path&) { return false; };
        ASSERT_EQ(container::DecryptFiles(run, container::kDecryptCommand), 1);
        EXPECT_EQ(dialog.Messages(), std::vector<std::string>{"1 Files succeed in decryption."});
        EXPECT_EQ(ReadFileBytes(dir / "src" / "report.txt"), content);
        fs::remove(dir / "src" / "report.txt");

        // The reader's own record counts the decryption when a limit is set.
        ScriptedUserDialog quiet;
        CStreamCipher c2;
        container::ReaderState state2(c2);
        state2.publicKeyPath = r.pub;
        state2.privateKeyPath = r.priv;
        container::FileContainerStore store(container);
        const auto readerKeys = container::ReaderKeys::Load(r.pub, r.priv);
        container::ContainerReader reader(host, quiet, texts);
        ASSERT_EQ(reader.Read(store, *readerKeys, container::ReadPurpose::Forward), container::ReadStatus::Ok);
        EXPECT_EQ(reader.Record().decryptionCount, c.limit ? 2u : 1u);  // after this read's own increment
        if (reader.Tail().HasHistory()) {
            CArchiveHistoryMan history(host);
            history.Open(container.parent_path());
            history.SetContainer(container, reader.Tail().bytes, reader.Record().fileKey);
            ASSERT_EQ(history.Load(), CArchiveHistoryMan::Loaded);
            const auto& last = history.RecordAt(history.RecordCount() - 1);
            EXPECT_EQ(last.operation, CArchiveHistoryMan::Decrypted);
            EXPECT_EQ(last.user, reader.Record().index);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, DecryptEncryptRoundTrip,
                         ::testing::Values(Case{"command", kModeCommand, false, false, false, false},
                                           Case{"command, limit", kModeCommand, true, false, false, false},
                                           Case{"command, limit from first", kModeCommand, true, true, false, false},
                                           Case{"command, logs", kModeCommand, false, false, true, false},
                                           Case{"command, sender", kModeCommand, false, false, false, true},
                                           Case{"command, limit, logs, sender", kModeCommand, true, false, true, true},
                                           Case{"self", kModeSelf, false, false, false, false, false},
                                           Case{"address book, limit", kModeAddressBook, true, true, false, false}),
                         [](const auto& p) {
                             std::string s;
                             for (const char ch : std::string(p.param.label))
                                 if (std::isalnum(static_cast<unsigned char>(ch))) s.push_back(ch);
                             return s;
                         });

}  // namespace
}  // namespace tessarin::test
