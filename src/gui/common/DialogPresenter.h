#pragma once
// What actually puts a message box or a question on the screen, on the UI
// thread. The real presenter uses QMessageBox and CContinueConfirmDialog;
// tests plan the answers instead, so that no modal window ever waits for a
// person.

#include <string>

#include "platform/UserDialog.h"

class QWidget;

namespace tessarin {
class LanguageTable;
}

namespace tessarin::gui {

struct MessageRequest {
    std::string text;
    MessageKind kind = MessageKind::Information;
    std::string title;  // the program name when empty
};

struct QuestionRequest {
    QuestionId id = QuestionId::OverwriteOutput;
    std::string text;
    QuestionButtons buttons = QuestionButtons::YesNo;
    std::string title;  // the program name when empty
};

class IDialogPresenter {
public:
    virtual ~IDialogPresenter() = default;
    virtual void ShowMessage(QWidget* parent, const MessageRequest& message) = 0;
    virtual Answer Ask(QWidget* parent, const QuestionRequest& question) = 0;
    // The index (0..3) of the caption chosen.
    virtual int AskContinue(QWidget* parent, const ContinueConfirm& dialog) = 0;
};

// Message boxes with the kind's icon (information, warning, error as the
// stop sign), the program name as the default title and the table's button
// captions; continue-confirms in CContinueConfirmDialog.
class CQtDialogPresenter final : public IDialogPresenter {
public:
    explicit CQtDialogPresenter(const LanguageTable& texts) : m_texts(texts) {}
    void ShowMessage(QWidget* parent, const MessageRequest& message) override;
    Answer Ask(QWidget* parent, const QuestionRequest& question) override;
    int AskContinue(QWidget* parent, const ContinueConfirm& dialog) override;

private:
    const LanguageTable& m_texts;
};

}  // namespace tessarin::gui
