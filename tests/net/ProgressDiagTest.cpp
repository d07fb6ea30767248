#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>

#include "FilledTexts.h"
#include "NetTestSupport.h"
#include "ScriptedUserDialog.h"
#include "net/ProgressDiag.h"

namespace tessarin {
namespace {

using namespace test::shown;
using test::FilledTexts;
using test::JapaneseTexts;
using test::ScriptedAnswer;
using test::ScriptedUserDialog;
using test::ServiceTest;

ScriptedAnswer Text(const std::string& s) {
    return ScriptedAnswer::Text(s);
}
const ScriptedAnswer kDown{500, "", 0, std::nullopt};

class ProgressDiagTest : public ServiceTest {
protected:
    int Run(int operation, CProgressDiag* keep = nullptr) {
        CProgressDiag local(m_ui, JapaneseTexts());
        CProgressDiag& run = keep ? *keep : local;
        run.SetTickPeriod(test::kFastTick);
        run.SetCredentials(test::kMail, test::kPassword);
        run.SetPublicKeyPath(OwnKey());
        run.SetServerKeyPath(m_dir / "mePrivate.vpri");
        run.SetServiceOperation(operation);
        const int result = run.DoModal();
        m_status = run.Client().ServiceStatus();
        m_loggedIn = run.Client().LoggedIn();
        m_steps = run.Client().StepCount();
        return result;
    }
    std::vector<std::string> ErrorBoxes() const {
        std::vector<std::string> out;
        for (const auto& e : m_ui.Events())
            if (e.kind == ScriptedUserDialog::Event::Message && e.title == kNetworkErrorTitle) out.push_back(e.text);
        return out;
    }
    ScriptedUserDialog m_ui;
    int m_status = -1;
    int m_steps = -1;
    bool m_loggedIn = false;
};

TEST(ProgressDiagStatusLine, TablesByOperationAndStep) {
    const std::vector<std::filesystem::path> files = {"/x/one.txt", "/y/two.bin"};
    const struct {
        int op, step;
        std::string line;
    } cases[] = {
        {16, 0, "Ferroloに接続中です..."},
        {16, 1, "Ferroloに接続中です..."},
        {16, 2, "Ferroloに鍵を登録中です..."},
        {16, 3, "登録が完了しました"},
        {16, 4, ""},
        {21, 0, "Ferroloと接続確認中..."},
        {21, 1, "Ferroloへアカウント照合中..."},
        {21, 2, ""},
        {23, 0, "Ferroloに接続中です..."},
        {23, 1, "鍵の情報を確認中です..."},
        {23, 2, "処理中..."},
        {23, 3, ""},
        {255, 0, "Ferroloに接続中です..."},
        {255, 1, "Ferroloに登録してある情報の確認中"},
        {255, 2, "応答を待っています..."},
        {255, 3, "処理中です..."},
        {19, 0, "one.txtをアップロード中です..."},
        {19, 1, "two.binをアップロード中です..."},
        {19, 2, "ファイルを登録しています..."},
        {20, 1, "two.binをアップロード中です..."},
        {18, 0, ""},
        {17, 0, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CProgressDiag::StatusLine(c.op, c.step, files, JapaneseTexts()), c.line) << c.op << "/" << c.step;
}

TEST_F(ProgressDiagTest, LoginOutcomes) {
    const struct {
        const char* what;
        std::map<std::string, std::vector<ScriptedAnswer>> script;
        bool loggedIn;
        std::vector<std::string> messages;
    } cases[] = {
        {"success", {{"connectcheck", {Text("connect")}}, {"login", {Text("success")}}}, true, {}},
        {"fail", {{"connectcheck", {Text("connect")}}, {"login", {Text("fail")}}}, false, {kWrongCredentials}},
        {"other", {{"connectcheck", {Text("connect")}}, {"login", {Text("what")}}}, false, {kSystemError}},
        {"login down", {{"connectcheck", {Text("connect")}}, {"login", {kDown}}}, false, {kSystemError}},
        // The connection check fails: the run still ends normally at step 2.
        {"no connection", {{"connectcheck", {kDown}}, {"login", {Text("success")}}}, false, {kConnectFailed}},
    };
    for (const auto& c : cases) {
        Script(c.script);
        m_ui.ClearEvents();
        CProgressDiag run(m_ui, JapaneseTexts());
        EXPECT_EQ(Run(kOpLogin, &run), CProgressDiag::IDOK) << c.what;
        EXPECT_EQ(run.Title(), "Ferroloへアカウント確認中...");
        EXPECT_EQ(m_loggedIn, c.loggedIn) << c.what;
        EXPECT_EQ(m_steps, 2) << c.what;
        EXPECT_EQ(m_ui.Messages(), c.messages) << c.what;
        EXPECT_EQ(m_ui.Statuses().front(), kStarting);
        EXPECT_EQ(m_ui.ProgressTotal(), 2);
    }
}

TEST_F(ProgressDiagTest, KeyStatusRun) {
    Script({{"connectcheck", {Text("connect")}}, {"getkeystatus", {Text("passkeyold")}}});
    EXPECT_EQ(Run(kOpKeyStatus), CProgressDiag::IDOK);
    EXPECT_EQ(m_status, 7);
    EXPECT_EQ(m_ui.Progress(), 3);
    EXPECT_TRUE(m_ui.Messages().empty());

    // A refused connection: the watchdog cancels with the network box and no
    // key status request is made.
    Script({{"connectcheck", {kDown}}, {"getkeystatus", {Text("nonkey")}}});
    m_ui.ClearEvents();
    EXPECT_EQ(Run(kOpKeyStatus), CProgressDiag::IDCANCEL);
    EXPECT_EQ(m_status, 1);
    EXPECT_EQ(ErrorBoxes(), (std::vector<std::string>{kNetworkErrorText}));
    EXPECT_TRUE(Service().Requests("getkeystatus").empty());
}

TEST_F(ProgressDiagTest, RegisterRunEndsAtItsLastLine) {
    Script({{"connectcheck", {Text("connect")}}, {"regkey", {Text("success")}}});
    CProgressDiag run(m_ui, JapaneseTexts());
    EXPECT_EQ(Run(kOpRegisterKey, &run), CProgressDiag::IDOK);
    EXPECT_EQ(run.Title(), "公開鍵の登録");
    EXPECT_EQ(m_status, 0);
    EXPECT_EQ(m_ui.Statuses().back(), "登録が完了しました");
}

TEST_F(ProgressDiagTest, RegisterWithoutKeyFileWaitsForTheUser) {
    Script({{"connectcheck", {Text("connect")}}, {"regkey", {Text("success")}}});
    CProgressDiag run(m_ui, JapaneseTexts());
    run.SetTickPeriod(test::kFastTick);
    run.SetCredentials(test::kMail, test::kPassword);
    run.SetPublicKeyPath(m_dir / "none.vpub");
    run.SetServiceOperation(kOpRegisterKey);
    m_ui.CancelAfterPolls(10);
    EXPECT_EQ(run.DoModal(), CProgressDiag::IDCANCEL);
    EXPECT_EQ(run.Client().StepCount(), 1);
    EXPECT_EQ(m_ui.Statuses().back(), "Ferroloに接続中です...");
    EXPECT_TRUE(Service().Requests("regkey").empty());
    EXPECT_TRUE(ErrorBoxes().empty());
}

TEST_F(ProgressDiagTest, ServerKeyOutcomes) {
    const std::string key = test::SamplePrivateKeyFile();
    const struct {
        const char* what;
        std::map<std::string, std::vector<ScriptedAnswer>> script;
        int result, status;
        std::vector<std::string> messages;
        bool written;
    } cases[] = {
        {"key",
         {{"connectcheck", {Text("connect")}}, {"getsrvgenkey", {Text("h1")}}, {"getsrvgenkey2", {Text(key)}}},
         CProgressDiag::IDOK,
         0,
         {},
         true},
        {"fail",
         {{"connectcheck", {Text("connect")}}, {"getsrvgenkey", {Text("fail")}}},
         CProgressDiag::IDOK,
         2,
         {kWrongCredentials},
         false},
        {"nonkey",
         {{"connectcheck", {Text("connect")}}, {"getsrvgenkey", {Text("nonkey")}}},
         CProgressDiag::IDOK,
         4,
         {},
         false},
        {"pubkeyreg",
         {{"connectcheck", {Text("connect")}}, {"getsrvgenkey", {Text("pubkeyreg")}}},
         CProgressDiag::IDOK,
         5,
         {},
         false},
        {"short key",
         {{"connectcheck", {Text("connect")}},
          {"getsrvgenkey", {Text("h1")}},
          {"getsrvgenkey2", {Text(key.substr(0, 647))}}},
         CProgressDiag::IDOK,
         255,
         {kSystemError},
         false},
        {"no connection",
         {{"connectcheck", {kDown}}},
         CProgressDiag::IDCANCEL,
         1,
         {kConnectFailed, kNetworkErrorText},
         false},
    };
    for (const auto& c : cases) {
        Script(c.script);
        m_ui.ClearEvents();
        std::filesystem::remove(m_dir / "mePrivate.vpri");
        EXPECT_EQ(Run(kOpServerKey), c.result) << c.what;
        EXPECT_EQ(m_status, c.status) << c.what;
        EXPECT_EQ(m_ui.Messages(), c.messages) << c.what;
        EXPECT_EQ(std::filesystem::exists(m_dir / "mePrivate.vpri"), c.written) << c.what;
    }
}

TEST_F(ProgressDiagTest, UserCancelStopsAHangingRequestQuickly) {
    Script({{"connectcheck", {{200, "connect", 8.0, {}}}}});
    m_ui.CancelAfterPolls(5);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Run(kOpKeyStatus), CProgressDiag::IDCANCEL);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    EXPECT_TRUE(ErrorBoxes().empty());
    EXPECT_TRUE(m_ui.Messages().empty());
}

TEST_F(ProgressDiagTest, OperationsWithoutWorkerEndAtOnce) {
    Script({});
    EXPECT_EQ(Run(kOpFetchKey), CProgressDiag::IDOK);
    EXPECT_EQ(Run(99), CProgressDiag::IDOK);
    EXPECT_TRUE(Service().Requests().empty());
}

TEST_F(ProgressDiagTest, FileRunsFollowTheirFiles) {
    const auto f1 = m_dir / "one.txt";
    const auto f2 = m_dir / "two.txt";
    test::WriteFileBytes(f1, {'1'});
    test::WriteFileBytes(f2, {'2'});
    Script({{"savefile", {Text("t1"), Text("t2")}}, {"finish", {Text("")}}, {"myfolder", {Text("ok")}}});
    CProgressDiag send(m_ui, JapaneseTexts());
    send.Client().SetFiles({f1, f2});
    EXPECT_EQ(Run(kOpSendFiles, &send), CProgressDiag::IDOK);
    EXPECT_EQ(send.ExpectedSteps(), 3);
    EXPECT_EQ(Service().Requests("finish").size(), 1u);
    CProgressDiag folder(m_ui, JapaneseTexts());
    folder.Client().SetFiles({f1, f2});
    EXPECT_EQ(Run(kOpMyFolder, &folder), CProgressDiag::IDOK);
    EXPECT_EQ(folder.ExpectedSteps(), 2);
    EXPECT_EQ(Service().Requests("myfolder").size(), 2u);
}

// A registration the service did not take never ends on "登録が完了しました":
// it ends on its own line and says what happened.
TEST_F(ProgressDiagTest, RegistrationFailuresAreReportedAsWhatTheyAre) {
    const struct {
        const char* what;
        ScriptedAnswer answer;
        int status;
        std::string lastLine;
        std::vector<std::string> messages;
    } cases[] = {
        {"success", Text("success"), 0, "登録が完了しました", {}},
        {"fail", Text("fail"), 255, "登録できませんでした", {"Ferroloは公開鍵の登録を受け付けませんでした。"}},
        {"other word",
         Text("<html>maintenance</html>"),
         255,
         "登録できませんでした",
         {"Ferroloは公開鍵の登録を受け付けませんでした。"}},
        {"HTTP 500", kDown, 3, "登録できませんでした", {"公開鍵をFerroloに登録できませんでした(HTTP 500)。"}},
    };
    for (const auto& c : cases) {
        Script({{"connectcheck", {Text("connect")}}, {"regkey", {c.answer}}});
        m_ui.ClearEvents();
        EXPECT_EQ(Run(kOpRegisterKey), CProgressDiag::IDOK) << c.what;
        EXPECT_EQ(m_status, c.status) << c.what;
        EXPECT_EQ(m_ui.Statuses().back(), c.lastLine) << c.what;
        if (c.status != 0) {
            const auto lines = m_ui.Statuses();
            EXPECT_EQ(std::count(lines.begin(), lines.end(), "登録が完了しました"), 0) << c.what;
        }
        EXPECT_EQ(m_ui.Messages(), c.messages) << c.what;
    }

    // The same in English.
    Script({{"connectcheck", {Text("connect")}}, {"regkey", {Text("fail")}}});
    m_ui.ClearEvents();
    CProgressDiag run(m_ui, FilledTexts());
    EXPECT_EQ(Run(kOpRegisterKey, &run), CProgressDiag::IDOK);
    EXPECT_EQ(m_ui.Statuses().back(), "Registration failed");
    EXPECT_EQ(m_ui.Messages(),
              (std::vector<std::string>{"Ferrolo did not accept the registration of the public key."}));
}

TEST_F(ProgressDiagTest, ServerKeyThatIsNotKeptSaysWhy) {
    const auto target = m_dir / "mePrivate.vpri";
    const std::vector<std::uint8_t> earlier = {'o', 'l', 'd'};
    test::WriteFileBytes(target, earlier);
    Script({{"connectcheck", {Text("connect")}},
            {"getsrvgenkey", {Text("h1")}},
            {"getsrvgenkey2", {Text(test::SamplePrivateKeyFile())}}});
    EXPECT_EQ(Run(kOpServerKey), CProgressDiag::IDOK);
    EXPECT_EQ(m_status, 255);
    EXPECT_EQ(m_ui.Messages(),
              (std::vector<std::string>{"Ferroloで作成された鍵を保存しませんでした。\n" + target.string() +
                                        "には別の秘密鍵ファイルがあります。このファイルはそのまま"
                                        "残してあります。"}));
    EXPECT_EQ(test::ReadFileBytes(target), earlier);

    // A key folder that is not there.
    m_ui.ClearEvents();
    Script({{"connectcheck", {Text("connect")}},
            {"getsrvgenkey", {Text("h1")}},
            {"getsrvgenkey2", {Text(test::SamplePrivateKeyFile())}}});
    CProgressDiag run(m_ui, JapaneseTexts());
    const auto nowhere = m_dir / "gone" / "mePrivate.vpri";
    run.SetTickPeriod(test::kFastTick);
    run.SetCredentials(test::kMail, test::kPassword);
    run.SetServerKeyPath(nowhere);
    run.SetServiceOperation(kOpServerKey);
    EXPECT_EQ(run.DoModal(), CProgressDiag::IDOK);
    EXPECT_EQ(run.Client().ServiceStatus(), 255);
    EXPECT_EQ(m_ui.Messages(),
              (std::vector<std::string>{"Ferroloで作成された鍵を" + nowhere.string() + "に書き込めませんでした。"}));
}

TEST_F(ProgressDiagTest, FileRunsReportPostsThatFailed) {
    const auto f1 = m_dir / "one.txt";
    const auto f2 = m_dir / "two.txt";
    test::WriteFileBytes(f1, {'1'});
    test::WriteFileBytes(f2, {'2'});
    Script({{"savefile", {{500, "<html>error</html>", 0, {}}, Text("")}}, {"finish", {kDown}}});
    CProgressDiag send(m_ui, JapaneseTexts());
    send.Client().SetFiles({f1, f2});
    EXPECT_EQ(Run(kOpSendFiles, &send), CProgressDiag::IDOK);
    EXPECT_EQ(m_ui.Messages(), (std::vector<std::string>{"one.txtをFerroloへ送信できませんでした(HTTP 500)。",
                                                         "two.txtをFerroloへ送信できませんでした(応答が空です)。",
                                                         "Ferroloでファイルの送信を完了できませんでした(HTTP 500)。"}));
}

// Whatever the operation, a base URL that is not https gets a clear message
// and nothing is sent.
TEST_F(ProgressDiagTest, ServiceUrlThatIsNotHttpsIsRefused) {
    test::PlainListener listener;
    const std::string url = "http://127.0.0.1:" + std::to_string(listener.Port()) + "/";
    test::ScopedEnv env("TESSARIN_SERVICE_URL", url);
    for (const int op : {kOpLogin, kOpKeyStatus, kOpRegisterKey, kOpServerKey}) {
        m_ui.ClearEvents();
        EXPECT_EQ(Run(op), CProgressDiag::IDCANCEL) << op;
        EXPECT_EQ(m_status, 1) << op;
        EXPECT_EQ(m_ui.Messages(),
                  (std::vector<std::string>{"サービスのURLがhttps://で始まらないため、何も送信しませんでした: " + url}))
            << op;
    }
    EXPECT_FALSE(std::filesystem::exists(m_dir / "mePrivate.vpri"));
    EXPECT_FALSE(listener.Contacted());
}

// A clock the test moves by hand.
class ManualClockHost final : public IHost {
public:
    std::atomic<std::uint32_t> tick{50000};
    std::time_t Now() const override { return 1700000000; }
    SystemTime LocalTime() const override { return SystemTimeFromTimeT(Now()); }
    std::uint32_t TickCount() const override { return tick.load(); }
    std::string UserName() const override { return "tester"; }
    std::string ComputerName() const override { return "testhost"; }
};

// Forwards to a scripted dialog and runs a hook at every cancel poll, which
// the run makes once per tick after its watchdog check.
class PollHookDialog final : public IUserDialog {
public:
    PollHookDialog(ScriptedUserDialog& inner, std::function<bool()> hook) : m_inner(inner), m_hook(std::move(hook)) {}
    void ShowMessage(std::string_view t, MessageKind k, std::string_view title) override {
        m_inner.ShowMessage(t, k, title);
    }
    Answer Ask(QuestionId id, std::string_view t, QuestionButtons b, std::string_view title) override {
        return m_inner.Ask(id, t, b, title);
    }
    int AskContinue(const ContinueConfirm& d) override { return m_inner.AskContinue(d); }
    void SetStatus(std::string_view t) override { m_inner.SetStatus(t); }
    void SetProgressRange(std::int64_t n) override { m_inner.SetProgressRange(n); }
    void SetProgress(std::int64_t n) override { m_inner.SetProgress(n); }
    void StepProgress(std::int64_t n) override { m_inner.StepProgress(n); }
    bool CancelRequested() override { return m_hook(); }

private:
    ScriptedUserDialog& m_inner;
    std::function<bool()> m_hook;
};

// The watchdog fires once the hanging request's whole seconds are over 10:
// not at 10 000 ms, not at 10 999 ms (still 10 whole seconds), but at
// 11 000 ms. The clock is moved by hand; the request hangs until cancelled.
TEST_F(ProgressDiagTest, WatchdogFiresOnlyWhenTheRequestIsOverTenSeconds) {
    Script({{"connectcheck", {Text("connect")}},
            {"getsrvgenkey", {Text("h1")}},
            {"getsrvgenkey2", {{200, test::SamplePrivateKeyFile(), 60.0, {}}}}});
    ManualClockHost clock;
    const std::uint32_t start = clock.tick.load();
    const std::uint32_t moves[] = {start + 10000, start + 10999, start + 11000};
    std::size_t moved = 0;  // moves made
    int pollsSinceMove = 0;
    int pollsAfterLastMove = 0;
    PollHookDialog ui(m_ui, [&]() {
        if (moved == 0) {
            // Wait until the download hangs at the service, its start taken.
            if (Service().Requests("getsrvgenkey2").empty()) return false;
        } else if (moved == std::size(moves)) {
            // The watchdog should have fired at the check after the last move.
            return ++pollsAfterLastMove >= 5;
        } else if (++pollsSinceMove < 3) {
            return false;  // a few more checks at this time
        }
        clock.tick.store(moves[moved++]);
        pollsSinceMove = 0;
        return false;
    });
    CProgressDiag run(ui, JapaneseTexts(), clock);
    run.SetTickPeriod(test::kFastTick);
    run.SetCredentials(test::kMail, test::kPassword);
    run.SetServerKeyPath(m_dir / "mePrivate.vpri");
    run.SetServiceOperation(kOpServerKey);
    EXPECT_EQ(run.DoModal(), CProgressDiag::IDCANCEL);
    EXPECT_EQ(moved, std::size(moves));  // not fired before the last move
    EXPECT_EQ(pollsAfterLastMove, 0);    // fired at the first check after it
    EXPECT_TRUE(run.WatchdogFired());
    EXPECT_EQ(run.Client().ServiceStatus(), 1);
    EXPECT_EQ(ErrorBoxes(), (std::vector<std::string>{kNetworkErrorText}));
    EXPECT_EQ(m_ui.Messages().size(), 1u);  // no system error after the box
    EXPECT_FALSE(std::filesystem::exists(m_dir / "mePrivate.vpri"));
}

}  // namespace
}  // namespace tessarin
