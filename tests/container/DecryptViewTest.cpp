// Opening a decrypted file with its associated program, and the view cycle.

#include <gtest/gtest.h>

#include <map>

#include "DecryptTestSupport.h"
#include "Fixtures.h"
#include "ScriptedUserDialog.h"
#include "container/ArchiveHistoryMan.h"
#include "container/ContainerReader.h"
#include "container/DecryptPipeline.h"
#include "core/StreamCipher.h"
#include "platform/AssociatedProgram.h"
#include "platform/Host.h"

namespace tessarin::test {
namespace {

using namespace container;

// Answers the look-up commands from a table and records what was started.
class FakeRunner final : public IProcessRunner {
public:
    std::map<std::string, std::string> answers;  // command line joined by spaces → output
    std::vector<std::vector<std::string>> started;
    std::vector<std::string> running;
    std::function<void(const std::vector<std::string>&)> onRun;

    std::optional<std::string> Capture(const std::vector<std::string>& argv) override {
        std::string key;
        for (const auto& a : argv) key += (key.empty() ? "" : " ") + a;
        const auto it = answers.find(key);
        if (it == answers.end()) return std::nullopt;
        return it->second;
    }
    int RunAndWait(const std::vector<std::string>& argv) override {
        started.push_back(argv);
        if (onRun) onRun(argv);
        return 0;
    }
    bool IsRunning(std::string_view name) override {
        return std::find(running.begin(), running.end(), name) != running.end();
    }
};

TEST(DecryptAssociatedProgram, ExecLineExpansion) {
    const std::filesystem::path file = "/tmp/a b.txt";
    struct Case {
        const char* exec;
        std::vector<std::string> argv;
    };
    for (const auto& c : {Case{"gedit %U", {"gedit", "/tmp/a b.txt"}},
                          Case{"/usr/bin/viewer --new %f", {"/usr/bin/viewer", "--new", "/tmp/a b.txt"}},
                          Case{"app", {"app", "/tmp/a b.txt"}},
                          Case{"\"/opt/my app/run\" %i %c %k %F", {"/opt/my app/run", "/tmp/a b.txt"}},
                          Case{"sh -c \"echo \\\"x\\\"\" 100%%", {"sh", "-c", "echo \"x\"", "100%", "/tmp/a b.txt"}}}) {
        const auto argv = ExpandExecLine(c.exec, file);
        ASSERT_TRUE(argv) << c.exec;
        EXPECT_EQ(*argv, c.argv) << c.exec;
    }
    EXPECT_FALSE(ExpandExecLine("\"unterminated %f", file));
    EXPECT_FALSE(ExpandExecLine("", file));
}

TEST(DecryptAssociatedProgram, DesktopEntryExecValue) {
    EXPECT_EQ(*DesktopExecValue("[Desktop Action new]\nExec=wrong\n[Desktop Entry]\nName=X\nExec = viewer %f\n"),
              "viewer %f");
    EXPECT_FALSE(DesktopExecValue("[Desktop Entry]\nName=X\n"));
}

class DecryptViewTest : public ::testing::Test {
protected:
    TempDir dir;
    FakeRunner runner;
    std::filesystem::path apps;

    void SetUp() override {
        apps = dir / "applications";
        std::filesystem::create_directories(apps / "vendor");
        WriteText(apps / "viewer.desktop", "[Desktop Entry]\nType=Application\nExec=textviewer --open %f\n");
        WriteText(apps / "vendor" / "pics.desktop", "[Desktop Entry]\nExec=picviewer %U\n");
    }
    static void WriteText(const std::filesystem::path& p, const std::string& s) {
        WriteFileBytes(p, std::vector<std::uint8_t>(s.begin(), s.end()));
    }
    void Associate(const std::filesystem::path& file, const std::string& mime, const std::string& desktop) {
        runner.answers["xdg-mime query filetype " + file.string()] = mime + "\n";
        runner.answers["xdg-mime query default " + mime] = desktop + "\n";
    }
};

TEST_F(DecryptViewTest, OpensWithTheDefaultApplicationAndWaits) {
    const auto file = dir / "doc.txt";
    WriteFileBytes(file, {1});
    Associate(file, "text/plain", "viewer.desktop");
    EXPECT_EQ(OpenWithAssociatedProgram(file, runner, {apps}), kOpenSucceeded);
    ASSERT_EQ(runner.started.size(), 1u);
    EXPECT_EQ(runner.started[0], (std::vector<std::string>{"textviewer", "--open", file.string()}));

    // A desktop id with a vendor prefix lives in a sub-folder.
    const auto pic = dir / "p.png";
    WriteFileBytes(pic, {1});
    Associate(pic, "image/png", "vendor-pics.desktop");
    EXPECT_EQ(OpenWithAssociatedProgram(pic, runner, {apps}), kOpenSucceeded);
    EXPECT_EQ(runner.started.back(), (std::vector<std::string>{"picviewer", pic.string()}));
}

TEST_F(DecryptViewTest, FailuresAreBelow32) {
    const auto file = dir / "doc.txt";
    EXPECT_EQ(OpenWithAssociatedProgram(file, runner, {apps}), kOpenFileNotFound);
    WriteFileBytes(file, {1});
    EXPECT_EQ(OpenWithAssociatedProgram(file, runner, {apps}), kOpenNoAssociation);
    Associate(file, "text/plain", "missing.desktop");
    EXPECT_EQ(OpenWithAssociatedProgram(file, runner, {apps}), kOpenNoAssociation);
    // gio answers when xdg-mime has no default.
    runner.answers.erase("xdg-mime query default text/plain");
    runner.answers["gio mime text/plain"] = "Default application for “text/plain”: viewer.desktop\nRegistered:\n";
    EXPECT_EQ(OpenWithAssociatedProgram(file, runner, {apps}), kOpenSucceeded);
    EXPECT_TRUE(runner.started.size() == 1);
}

// A history-managed container decrypted for viewing, and the operations its
// history holds afterwards.
class DecryptViewCycleTest : public DecryptViewTest {
protected:
    KeySet north = FixtureKeys("north");
    FixedHost host;
    ScriptedUserDialog dialog;
    CStreamCipher cipher;
    ContainerSpec spec = DefaultSpec(north, SystemTimeFromTimeT(host.now - 10));
    std::filesystem::path container;

    DecryptedFile DecryptForViewing() {
        spec.withHistory = true;
        container = dir / "doc.txt.tza";
        WriteContainer(spec, container);
        DecryptRun run(host, dialog, cipher, FilledTexts());
        run.publicKeyPath = north.publicPath;
        run.privateKeyPath = north.privatePath;
        run.files = {container};
        run.direct = true;
        run.isOnCdRom = [](const auto&) { return false; };
        EXPECT_EQ(DecryptFiles(run, kDecryptOpenResult), 1);
        EXPECT_EQ(run.decrypted.size(), 1u);
        return run.decrypted.empty() ? DecryptedFile{} : run.decrypted[0];
    }
    std::vector<int> Operations() {
        CArchiveHistoryMan history(host);
        history.Open(dir.Path());
        FileContainerStore store(container);
        TailInfo tail;
        EXPECT_EQ(CheckTail(store, tail), ReadStatus::Ok);
        history.SetContainer(container, tail.bytes, spec.fileKey);
        EXPECT_EQ(history.Load(), CArchiveHistoryMan::Loaded);
        std::vector<int> ops;
        for (int i = 0; i < history.RecordCount(); ++i) ops.push_back(history.RecordAt(i).operation);
        return ops;
    }
};

TEST_F(DecryptViewCycleTest, ViewCycleRecordsViewingAndWipesTheCopy) {
    const DecryptedFile file = DecryptForViewing();
    const auto output = file.output;
    Associate(output, "text/plain", "viewer.desktop");
    bool sawFile = false;
    runner.onRun = [&](const auto&) { sawFile = std::filesystem::exists(output); };

    EXPECT_EQ(RunViewCycle(file, host, dialog, runner, FilledTexts(LanguageTable::Language::Japanese), {apps}),
              ViewCycleResult::Viewed);
    EXPECT_TRUE(sawFile);
    EXPECT_FALSE(std::filesystem::exists(output));
    EXPECT_TRUE(std::filesystem::exists(container));
    EXPECT_EQ(Operations(), (std::vector<int>{CArchiveHistoryMan::Created, CArchiveHistoryMan::Decrypted,
                                              CArchiveHistoryMan::Viewed}));
}

TEST_F(DecryptViewCycleTest, NothingIsRecordedAsViewedWhenNoProgramOpenedTheFile) {
    const DecryptedFile file = DecryptForViewing();
    // No program is associated with the file type.
    EXPECT_EQ(RunViewCycle(file, host, dialog, runner, FilledTexts(LanguageTable::Language::Japanese), {apps}),
              ViewCycleResult::NotOpened);
    EXPECT_TRUE(runner.started.empty());
    EXPECT_FALSE(std::filesystem::exists(file.output));
    EXPECT_EQ(Operations(), (std::vector<int>{CArchiveHistoryMan::Created, CArchiveHistoryMan::Decrypted}));
}

TEST_F(DecryptViewTest, ViewCycleRefusesWhileTheProgramRuns) {
    FixedHost host;
    ScriptedUserDialog dialog;
    const auto output = dir / "doc.txt";
    WriteFileBytes(output, {1, 2});
    Associate(output, "text/plain", "viewer.desktop");
    runner.running = {"textviewer"};
    DecryptedFile file;
    file.output = output;
    file.container = dir / "doc.txt.tza";
    EXPECT_EQ(RunViewCycle(file, host, dialog, runner, FilledTexts(LanguageTable::Language::Japanese), {apps}),
              ViewCycleResult::AlreadyRunning);
    EXPECT_EQ(dialog.Messages(),
              std::vector<std::string>{"既に関連付けアプリケーションが起動しています。\n"
                                       "起動しているアプリケーションを終了させてから、再度実行してください。"});
    EXPECT_FALSE(std::filesystem::exists(output));
    EXPECT_TRUE(runner.started.empty());
}

TEST(DecryptAssociatedProgram, RealRunnerCapturesAndWaits) {
    SystemProcessRunner runner;
    EXPECT_EQ(*runner.Capture({"printf", "a%sb", "-"}), "a-b");
    EXPECT_FALSE(runner.Capture({"false"}));
    EXPECT_FALSE(runner.Capture({"no-such-program-tessarin"}));
    EXPECT_EQ(runner.RunAndWait({"sh", "-c", "exit 3"}), 3);
    EXPECT_EQ(runner.RunAndWait({"no-such-program-tessarin"}), -1);
    EXPECT_FALSE(runner.IsRunning("no-such-program-tessarin"));
}

}  // namespace
}  // namespace tessarin::test
