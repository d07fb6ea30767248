#include <gtest/gtest.h>

#include "NetTestSupport.h"
#include "ScriptedUserDialog.h"
#include "net/ProgressDiag.h"
#include "net/ServiceTexts.h"

namespace tessarin {
namespace {

namespace text = service_text;
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
        CProgressDiag local(m_ui);
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
            if (e.kind == ScriptedUserDialog::Event::Message && e.title == text::kNetworkErrorTitle)
                out.push_back(e.text);
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
        EXPECT_EQ(CProgressDiag::StatusLine(c.op, c.step, files), c.line) << c.op << "/" << c.step;
}

TEST_F(ProgressDiagTest, LoginOutcomes) {
    const struct {
        const char* what;
        std::map<std::string, std::vector<ScriptedAnswer>> script;
        bool loggedIn;
        std::vector<std::string> messages;
    } cases[] = {
        {"success", {{"connectcheck", {Text("connect")}}, {"login", {Text("success")}}}, true, {}},
        {"fail", {{"connectcheck", {Text("connect")}}, {"login", {Text("fail")}}}, false, {text::kWrongCredentials}},
        {"other", {{"connectcheck", {Text("connect")}}, {"login", {Text("what")}}}, false, {text::kSystemError}},
        {"login down", {{"connectcheck", {Text("connect")}}, {"login", {kDown}}}, false, {text::kSystemError}},
        // The connection check fails: the run still ends normally at step 2.
        {"no connection", {{"connectcheck", {kDown}}, {"login", {Text("success")}}}, false, {text::kConnectFailed}},
    };
    for (const auto& c : cases) {
        Script(c.script);
        m_ui.ClearEvents();
        CProgressDiag run(m_ui);
        EXPECT_EQ(Run(kOpLogin, &run), CProgressDiag::IDOK) << c.what;
        EXPECT_EQ(run.Title(), "Ferroloへアカウント確認中...");
        EXPECT_EQ(m_loggedIn, c.loggedIn) << c.what;
        EXPECT_EQ(m_steps, 2) << c.what;
        EXPECT_EQ(m_ui.Messages(), c.messages) << c.what;
        EXPECT_EQ(m_ui.Statuses().front(), text::kStarting);
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
    EXPECT_EQ(ErrorBoxes(), (std::vector<std::string>{text::kNetworkErrorText}));
    EXPECT_TRUE(Service().Requests("getkeystatus").empty());
}

TEST_F(ProgressDiagTest, RegisterRunEndsAtItsLastLine) {
    Script({{"connectcheck", {Text("connect")}}, {"regkey", {Text("success")}}});
    CProgressDiag run(m_ui);
    EXPECT_EQ(Run(kOpRegisterKey, &run), CProgressDiag::IDOK);
    EXPECT_EQ(run.Title(), "公開鍵の登録");
    EXPECT_EQ(m_status, 0);
    EXPECT_EQ(m_ui.Statuses().back(), "登録が完了しました");
}

TEST_F(ProgressDiagTest, RegisterWithoutKeyFileWaitsForTheUser) {
    Script({{"connectcheck", {Text("connect")}}, {"regkey", {Text("success")}}});
    CProgressDiag run(m_ui);
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
         {text::kWrongCredentials},
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
         {text::kSystemError},
         false},
        {"no connection",
         {{"connectcheck", {kDown}}},
         CProgressDiag::IDCANCEL,
         1,
         {text::kConnectFailed, text::kNetworkErrorText},
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
    CProgressDiag send(m_ui);
    send.Client().SetFiles({f1, f2});
    EXPECT_EQ(Run(kOpSendFiles, &send), CProgressDiag::IDOK);
    EXPECT_EQ(send.ExpectedSteps(), 3);
    EXPECT_EQ(Service().Requests("finish").size(), 1u);
    CProgressDiag folder(m_ui);
    folder.Client().SetFiles({f1, f2});
    EXPECT_EQ(Run(kOpMyFolder, &folder), CProgressDiag::IDOK);
    EXPECT_EQ(folder.ExpectedSteps(), 2);
    EXPECT_EQ(Service().Requests("myfolder").size(), 2u);
}

// The one slow test: a key that arrives only after the watchdog gave up.
TEST_F(ProgressDiagTest, WatchdogCancelsAHungDownloadAndWritesNothing) {
    Script({{"connectcheck", {Text("connect")}},
            {"getsrvgenkey", {Text("h1")}},
            {"getsrvgenkey2", {{200, test::SamplePrivateKeyFile(), 13.0, {}}}}});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Run(kOpServerKey), CProgressDiag::IDCANCEL);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GT(took, std::chrono::seconds(10));
    EXPECT_LT(took, std::chrono::seconds(13));
    EXPECT_EQ(ErrorBoxes(), (std::vector<std::string>{text::kNetworkErrorText}));
    EXPECT_EQ(m_status, 1);
    EXPECT_FALSE(std::filesystem::exists(m_dir / "mePrivate.vpri"));
    EXPECT_EQ(m_ui.Messages().size(), 1u);  // no system error after the box
}

}  // namespace
}  // namespace tessarin
