#include "gui/common/DialogPresenter.h"

#include <QMessageBox>
#include <QPushButton>

#include "core/LanguageTable.h"
#include "gui/common/CContinueConfirmDialog.h"
#include "gui/common/GuiText.h"

namespace tessarin::gui {

namespace {

QMessageBox::Icon IconOf(MessageKind kind) {
    switch (kind) {
        case MessageKind::Warning:
            return QMessageBox::Warning;
        case MessageKind::Error:
            return QMessageBox::Critical;
        case MessageKind::Information:
            break;
    }
    return QMessageBox::Information;
}

QString TitleOr(const LanguageTable& texts, const std::string& title) {
    return title.empty() ? Text(texts, slot::kProductName) : Qs(title);
}

}  // namespace

void CQtDialogPresenter::ShowMessage(QWidget* parent, const MessageRequest& message) {
    QMessageBox box(IconOf(message.kind), TitleOr(m_texts, message.title), Qs(message.text), QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("messageBox"));
    box.button(QMessageBox::Ok)->setText(Text(m_texts, slot::kCaptionOk));
    box.exec();
}

Answer CQtDialogPresenter::Ask(QWidget* parent, const QuestionRequest& question) {
    QMessageBox box(QMessageBox::Question, TitleOr(m_texts, question.title), Qs(question.text), QMessageBox::NoButton,
                    parent);
    box.setObjectName(QStringLiteral("questionBox"));
    QAbstractButton* yes = nullptr;
    QAbstractButton* no = nullptr;
    QAbstractButton* cancel = nullptr;
    QAbstractButton* ok = nullptr;
    if (question.buttons == QuestionButtons::OkCancel) {
        ok = box.addButton(Text(m_texts, slot::kCaptionOk), QMessageBox::AcceptRole);
    } else {
        yes = box.addButton(Text(m_texts, slot::kCaptionYes), QMessageBox::YesRole);
        no = box.addButton(Text(m_texts, slot::kCaptionNo), QMessageBox::NoRole);
    }
    if (question.buttons != QuestionButtons::YesNo) {
        cancel = box.addButton(Text(m_texts, slot::kCaptionCancel), QMessageBox::RejectRole);
        box.setEscapeButton(cancel);
    } else {
        box.setEscapeButton(no);
    }
    box.setDefaultButton(static_cast<QPushButton*>(yes != nullptr ? yes : ok));
    box.exec();
    const auto* chosen = box.clickedButton();
    if (chosen != nullptr && chosen == yes) return Answer::Yes;
    if (chosen != nullptr && chosen == ok) return Answer::Ok;
    if (chosen != nullptr && chosen == no) return Answer::No;
    return question.buttons == QuestionButtons::YesNo ? Answer::No : Answer::Cancel;
}

int CQtDialogPresenter::AskContinue(QWidget* parent, const ContinueConfirm& dialog) {
    CContinueConfirmDialog window(m_texts, parent);
    window.Set(dialog);
    return window.Run();
}

}  // namespace tessarin::gui
