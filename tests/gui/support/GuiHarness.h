#pragma once
// What the desktop program's window tests share: a presenter that answers
// from a plan and records what it showed, a file chooser that hands out
// planned choices, a desktop that records the pages opened, and a harness
// that builds the whole GuiContext over a fresh data folder with a key set.

#include <QString>
#include <QUrl>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Fixtures.h"
#include "app/AppCore.h"
#include "gui/common/GuiContext.h"

class QWidget;

namespace tessarin::test {

class PlannedPresenter final : public gui::IDialogPresenter {
public:
    enum class Kind { Message, Question, Continue };
    struct Shown {
        Kind kind = Kind::Message;
        QuestionId id = QuestionId::OverwriteOutput;
        MessageKind messageKind = MessageKind::Information;
        std::string text;
        std::string title;
    };

    // Answers for the questions with this id, in order; an id without a plan
    // is answered No (Cancel where there is one, stop for a continue-confirm).
    void Plan(QuestionId id, Answer answer) { m_answers[id].push_back(answer); }
    void PlanContinue(QuestionId id, int index) { m_continues[id].push_back(index); }

    void ShowMessage(QWidget* parent, const gui::MessageRequest& message) override;
    Answer Ask(QWidget* parent, const gui::QuestionRequest& question) override;
    int AskContinue(QWidget* parent, const ContinueConfirm& dialog) override;

    // Everything shown, in order (UI thread).
    std::vector<Shown> shown;
    std::vector<std::string> Messages() const;
    std::vector<QuestionId> Questions() const;
    // The parent each box was given.
    std::vector<QWidget*> parents;

private:
    std::map<QuestionId, std::deque<Answer>> m_answers;
    std::map<QuestionId, std::deque<int>> m_continues;
};

class PlannedFileChooser final : public gui::IFileChooser {
public:
    std::deque<std::vector<std::filesystem::path>> opens;
    std::deque<std::optional<std::filesystem::path>> saves;
    std::deque<std::optional<std::filesystem::path>> folders;
    std::vector<gui::ChooserRequest> asked;

    std::vector<std::filesystem::path> OpenFiles(QWidget* parent, const gui::ChooserRequest& request,
                                                 bool multiple) override;
    std::optional<std::filesystem::path> SaveFile(QWidget* parent, const gui::ChooserRequest& request) override;
    std::optional<std::filesystem::path> ChooseFolder(QWidget* parent, const gui::ChooserRequest& request) override;
};

class RecordingDesktop final : public gui::IDesktop {
public:
    bool OpenUrl(const QUrl& url) override {
        opened.push_back(url);
        return true;
    }
    std::vector<QUrl> opened;
};

class NoMail final : public IMailLauncher {
public:
    bool Run(const std::vector<std::string>& argv) override {
        calls.push_back(argv);
        return true;
    }
    std::vector<std::vector<std::string>> calls;
};

// TESSARIN_HOME on a fresh folder, the table in the language asked for, and
// (unless told otherwise) a key set of "Taro Test" <taro@example.com> made in
// <home>/keys and active.
class GuiHarness {
public:
    explicit GuiHarness(bool english = false, bool withKeySet = true);
    ~GuiHarness();
    GuiHarness(const GuiHarness&) = delete;
    GuiHarness& operator=(const GuiHarness&) = delete;

    const std::filesystem::path& Home() const { return m_home.Path(); }
    // A fresh folder for a test's files.
    std::filesystem::path WorkFolder(const std::string& name);
    // Waits (dispatching events) until no job runs; false on timeout.
    bool WaitIdle(int milliseconds = 60000);

    LanguageTable texts;
    PlannedPresenter presenter;
    PlannedFileChooser chooser;
    RecordingDesktop desktop;
    NoMail mail;
    std::unique_ptr<gui::CQtUserDialog> dialog;
    std::unique_ptr<AppCore> core;
    std::unique_ptr<gui::CJobRunner> jobs;
    std::unique_ptr<gui::CLanguageBinding> language;
    std::unique_ptr<gui::GuiContext> context;

private:
    TempDir m_home;
    std::string m_previousHome;
};

// build/screens/<name>-<ja|en>.png of the widget as it is now, in the
// table's current language.
void SaveScreen(QWidget& widget, const QString& name, const LanguageTable& texts);

// Writes bytes to a new file.
void WriteText(const std::filesystem::path& path, const std::string& text);

}  // namespace tessarin::test
