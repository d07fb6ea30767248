#include "GuiHarness.h"

#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTest>
#include <QWidget>
#include <cstdlib>
#include <fstream>

#include "platform/Host.h"

namespace tessarin::test {

void PlannedPresenter::ShowMessage(QWidget* parent, const gui::MessageRequest& message) {
    parents.push_back(parent);
    shown.push_back({Kind::Message, QuestionId::OverwriteOutput, message.kind, message.text, message.title});
}

Answer PlannedPresenter::Ask(QWidget* parent, const gui::QuestionRequest& question) {
    parents.push_back(parent);
    shown.push_back({Kind::Question, question.id, MessageKind::Information, question.text, question.title});
    auto& planned = m_answers[question.id];
    if (planned.empty()) return question.buttons == QuestionButtons::YesNo ? Answer::No : Answer::Cancel;
    const auto answer = planned.front();
    planned.pop_front();
    return answer;
}

int PlannedPresenter::AskContinue(QWidget* parent, const ContinueConfirm& dialog) {
    parents.push_back(parent);
    shown.push_back({Kind::Continue, dialog.id, MessageKind::Information, dialog.text, dialog.title});
    auto& planned = m_continues[dialog.id];
    if (planned.empty()) return ContinueConfirm::Stop;
    const auto index = planned.front();
    planned.pop_front();
    return index;
}

std::vector<std::string> PlannedPresenter::Messages() const {
    std::vector<std::string> out;
    for (const auto& s : shown)
        if (s.kind == Kind::Message) out.push_back(s.text);
    return out;
}

std::vector<QuestionId> PlannedPresenter::Questions() const {
    std::vector<QuestionId> out;
    for (const auto& s : shown)
        if (s.kind != Kind::Message) out.push_back(s.id);
    return out;
}

std::vector<std::filesystem::path> PlannedFileChooser::OpenFiles(QWidget*, const gui::ChooserRequest& request, bool) {
    asked.push_back(request);
    if (opens.empty()) return {};
    auto out = opens.front();
    opens.pop_front();
    return out;
}

std::optional<std::filesystem::path> PlannedFileChooser::SaveFile(QWidget*, const gui::ChooserRequest& request) {
    asked.push_back(request);
    if (saves.empty()) return std::nullopt;
    auto out = saves.front();
    saves.pop_front();
    return out;
}

std::optional<std::filesystem::path> PlannedFileChooser::ChooseFolder(QWidget*, const gui::ChooserRequest& request) {
    asked.push_back(request);
    if (folders.empty()) return std::nullopt;
    auto out = folders.front();
    folders.pop_front();
    return out;
}

GuiHarness::GuiHarness(bool english, bool withKeySet) {
    if (const char* previous = std::getenv("TESSARIN_HOME")) m_previousHome = previous;
    ::setenv("TESSARIN_HOME", m_home.Path().c_str(), 1);
    texts.FillJapanese();
    if (english) texts.FillEnglish();
    dialog = std::make_unique<gui::CQtUserDialog>(presenter);
    core = std::make_unique<AppCore>(DefaultHost(), *dialog, texts, mail);
    core->settings.languageSel = english ? "EN" : "JP";
    jobs = std::make_unique<gui::CJobRunner>(*dialog, texts);
    language = std::make_unique<gui::CLanguageBinding>(texts);
    context = std::make_unique<gui::GuiContext>(gui::GuiContext{*core, *language, *dialog, *jobs, chooser, desktop});
    if (withKeySet) {
        KeySetCreationResult created;
        const auto folder = m_home.Path() / "keys";
        std::filesystem::create_directories(folder);
        const auto result = core->CreateKeys(folder, {"Taro Test", "taro@example.com"}, created);
        if (!result.Ok() || !core->HasKeySet()) qFatal("the test key set could not be made");
        presenter.shown.clear();
    }
}

GuiHarness::~GuiHarness() {
    jobs->Shutdown();
    context.reset();
    jobs.reset();
    core.reset();
    dialog.reset();
    if (m_previousHome.empty())
        ::unsetenv("TESSARIN_HOME");
    else
        ::setenv("TESSARIN_HOME", m_previousHome.c_str(), 1);
}

std::filesystem::path GuiHarness::WorkFolder(const std::string& name) {
    const auto folder = m_home.Path() / "work" / name;
    std::filesystem::create_directories(folder);
    return folder;
}

bool GuiHarness::WaitIdle(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (jobs->Busy()) {
        if (timer.elapsed() > milliseconds) return false;
        QTest::qWait(5);
    }
    dialog->Flush();
    return true;
}

void SaveScreen(QWidget& widget, const QString& name, const LanguageTable& texts) {
    const QString lang =
        texts.Current() == LanguageTable::Language::English ? QStringLiteral("en") : QStringLiteral("ja");
    QDir().mkpath(QStringLiteral(TESSARIN_SCREENS_DIR));
    widget.grab().save(QStringLiteral(TESSARIN_SCREENS_DIR "/%1-%2.png").arg(name, lang));
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

}  // namespace tessarin::test
