#include <gtest/gtest.h>

#include "FilledTexts.h"
#include "NetTestSupport.h"
#include "ScriptedUserDialog.h"
#include "net/AccountFlows.h"

namespace tessarin {
namespace {

using namespace test::shown;
using test::ScriptedAnswer;
using test::ScriptedUserDialog;
using test::ServiceTest;

ScriptedAnswer Text(const std::string& s) {
    return ScriptedAnswer::Text(s);
}
const ServiceRunSettings kFast{test::JapaneseTexts(), test::kFastTick};

// Password prompt answers played in order; nullopt is Cancel.
struct Prompt {
    std::vector<std::optional<std::string>> answers;
    std::size_t asked = 0;
    PasswordPrompt Fn() {
        return [this]() -> std::optional<std::string> {
            if (asked >= answers.size()) return std::nullopt;
            return answers[asked++];
        };
    }
};

using AccountFlowsTest = ServiceTest;

TEST(WizardLoginInput, PasswordLengthAndMail) {
    const struct {
        std::string mail, password;
        bool ok;
    } cases[] = {
        {"", "secret1", false},     {"a@b", "12345", false},
        {"a@b", "123456", true},    {"a@b", "ひらがなです", true},  // six characters, more bytes
        {"a@b", "ひらがな", false},
    };
    for (const auto& c : cases) EXPECT_EQ(LoginInputAcceptable(c.mail, c.password), c.ok) << c.password;
}

TEST(AccountDialogsLogic, FolderFeaturePageAndRegistrationFields) {
    test::TempDir dir;
    ScriptedUserDialog ui;
    EXPECT_TRUE(KeyFolderAcceptable(ui, test::JapaneseTexts(), dir.Path()));
    EXPECT_FALSE(KeyFolderAcceptable(ui, test::JapaneseTexts(), dir / "gone"));
    EXPECT_FALSE(KeyFolderAcceptable(ui, test::JapaneseTexts(), ""));
    EXPECT_EQ(ui.Messages(), (std::vector<std::string>(2, kFolderMissing)));

    EXPECT_EQ(FeaturePageUrl("https://ferrolo.example:8443/root/"), "http://ferrolo.example:8443/about/");
    EXPECT_EQ(FeaturePageUrl("https://ferrolo.example/"), "http://ferrolo.example/about/");

    EXPECT_EQ(RegistrationFieldsProblem(test::JapaneseTexts(), "", "a@b"), "公開鍵の持ち主の名前を指定してください");
    EXPECT_EQ(RegistrationFieldsProblem(test::FilledTexts(), "", ""), "Set User Name of This Public Key.");
    EXPECT_EQ(RegistrationFieldsProblem(test::JapaneseTexts(), "Al", ""),
              "公開鍵の持ち主のメールアドレスを指定してください");
    EXPECT_EQ(RegistrationFieldsProblem(test::FilledTexts(), "Al", ""), "Set E-mail Address of This Public Key.");
    EXPECT_EQ(RegistrationFieldsProblem(test::JapaneseTexts(), "Al", "a@b"), "");
}

TEST_F(AccountFlowsTest, WizardLoginRefusesShortPasswordBeforeAnyRequest) {
    Script({{"connectcheck", {Text("connect")}}, {"login", {Text("success")}}});
    ScriptedUserDialog ui;
    EXPECT_FALSE(WizardLogin(ui, DefaultHost(), "a@b", "12345", kFast));
    EXPECT_EQ(ui.Messages(), (std::vector<std::string>{kInvalidLoginInput}));
    EXPECT_EQ(ui.Events()[0].title, "Tessarin");
    EXPECT_TRUE(Service().Requests().empty());
    EXPECT_TRUE(WizardLogin(ui, DefaultHost(), "a@b", "123456", kFast));
    EXPECT_EQ(Service().Requests("login").size(), 1u);
}

TEST_F(AccountFlowsTest, ServerKeyHandOverWritesThePrivateKeyFile) {
    const std::string key = test::SamplePrivateKeyFile();
    Script({{"connectcheck", {Text("connect")}}, {"getsrvgenkey", {Text("h")}}, {"getsrvgenkey2", {Text(key)}}});
    ScriptedUserDialog ui;
    const auto privatePath = ServerKeySetPrivatePath(m_dir.Path(), "alice");
    EXPECT_EQ(privatePath.filename(), "alicePrivate.vpri");
    EXPECT_EQ(ServerKeySetPublicPath(m_dir.Path(), "alice").filename(), "alice.vpub");
    const auto r = RunServerKeyDownload(ui, DefaultHost(), test::kMail, test::kPassword, privatePath, kFast);
    EXPECT_EQ(r.dialogResult, CProgressDiag::IDOK);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(test::ReadFileBytes(privatePath).size(), 648u);
}

TEST_F(AccountFlowsTest, RegisterOwnKeyByStatus) {
    const struct {
        const char* answer;
        std::vector<Answer> planned;
        OwnKeyOutcome outcome;
        std::size_t registrations;
        std::vector<std::string> messages;
        std::vector<std::string> questions;
    } cases[] = {
        {"dberr", {}, OwnKeyOutcome::ServiceFault, 0, {kServiceFault}, {}},
        {"nonkey", {}, OwnKeyOutcome::RegisterRun, 1, {}, {}},
        {"keyreg", {Answer::Ok}, OwnKeyOutcome::RegisterRun, 1, {}, {kAskRegisterLatest}},
        {"keyreg", {Answer::Cancel}, OwnKeyOutcome::Declined, 0, {}, {kAskRegisterLatest}},
        {"samekeyreg", {}, OwnKeyOutcome::AlreadyRegistered, 0, {kAlreadyRegistered}, {}},
        {"passkeyold", {Answer::Yes}, OwnKeyOutcome::RegisterRun, 1, {}, {kAskReconfigure}},
        {"passkeyold", {Answer::No}, OwnKeyOutcome::Declined, 0, {}, {kAskReconfigure}},
        {"unheard-of", {}, OwnKeyOutcome::RegisterRun, 1, {}, {}},
    };
    for (const auto& c : cases) {
        Script(
            {{"connectcheck", {Text("connect")}}, {"getkeystatus", {Text(c.answer)}}, {"regkey", {Text("success")}}});
        ScriptedUserDialog ui;
        for (const auto a : c.planned) ui.PlanAnswer(a);
        Prompt prompt{{"secret"}};
        const auto r = RegisterOwnKey(ui, DefaultHost(), test::kMail, OwnKey(), prompt.Fn(), kFast);
        EXPECT_EQ(r.outcome, c.outcome) << c.answer;
        EXPECT_EQ(Service().Requests("regkey").size(), c.registrations) << c.answer;
        EXPECT_EQ(ui.Messages(), c.messages) << c.answer;
        EXPECT_EQ(ui.Questions(), c.questions) << c.answer;
        if (c.registrations) {
            EXPECT_EQ(r.registerDialogResult, CProgressDiag::IDOK);
            EXPECT_EQ(r.registerStatus, 0);
            EXPECT_EQ(ui.Statuses().back(), "登録が完了しました");
        }
    }
}

TEST_F(AccountFlowsTest, NetworkFailureOfTheStatusRequest) {
    // The connection check passes but the status request itself fails.
    Script({{"connectcheck", {Text("connect")}}, {"getkeystatus", {{502, "", 0, {}}}}});
    ScriptedUserDialog ui;
    Prompt prompt{{"secret"}};
    const auto r = RegisterOwnKey(ui, DefaultHost(), test::kMail, OwnKey(), prompt.Fn(), kFast);
    EXPECT_EQ(r.outcome, OwnKeyOutcome::NetworkError);
    EXPECT_EQ(ui.Messages(), (std::vector<std::string>{kNoNetwork}));
}

TEST_F(AccountFlowsTest, WrongPasswordAsksAgainAndRegistersOnce) {
    Script({{"connectcheck", {Text("connect")}},
            {"getkeystatus", {Text("fail"), Text("nonkey")}},
            {"regkey", {Text("success")}}});
    ScriptedUserDialog ui;
    Prompt prompt{{"", "wrong1", "right1"}};
    const auto r = RegisterOwnKey(ui, DefaultHost(), test::kMail, OwnKey(), prompt.Fn(), kFast);
    EXPECT_EQ(r.outcome, OwnKeyOutcome::RegisterRun);
    EXPECT_EQ(r.attempts, 2);
    EXPECT_EQ(prompt.asked, 3u);
    EXPECT_EQ(ui.Messages(), (std::vector<std::string>{kEmptyPassword, kWrongPassword}));
    const auto status = Service().Requests("getkeystatus");
    ASSERT_EQ(status.size(), 2u);
    EXPECT_EQ(status[0].Query("pw"), "wrong1");
    EXPECT_EQ(status[1].Query("pw"), "right1");
    const auto reg = Service().Requests("regkey");
    ASSERT_EQ(reg.size(), 1u);
    EXPECT_EQ(reg[0].Query("pw"), "right1");
}

TEST_F(AccountFlowsTest, CancelledPromptOrRunEndsTheFlow) {
    Script({{"connectcheck", {{500, "", 0, {}}}}});
    ScriptedUserDialog ui;
    Prompt none{{std::nullopt}};
    EXPECT_EQ(RegisterOwnKey(ui, DefaultHost(), test::kMail, OwnKey(), none.Fn(), kFast).outcome,
              OwnKeyOutcome::PromptCancelled);
    EXPECT_TRUE(Service().Requests().empty());

    // The connection check fails: the run is cancelled by its watchdog.
    Prompt prompt{{"secret"}};
    const auto r = RegisterOwnKey(ui, DefaultHost(), test::kMail, OwnKey(), prompt.Fn(), kFast);
    EXPECT_EQ(r.outcome, OwnKeyOutcome::Interrupted);
    EXPECT_EQ(ui.Messages(), (std::vector<std::string>{kNetworkErrorText, kInterrupted}));
    EXPECT_TRUE(Service().Requests("regkey").empty());
}

}  // namespace
}  // namespace tessarin
