#pragma once
// CContinueConfirmDialog: one message and four buttons (OK, all, Cancel,
// stop) whose captions the caller sets; the answer is the index of the
// button pressed. Closing the window answers stop.

#include <QDialog>
#include <array>

#include "platform/UserDialog.h"

class QLabel;
class QPushButton;

namespace tessarin {
class LanguageTable;
}

namespace tessarin::gui {

class CContinueConfirmDialog final : public QDialog {
    Q_OBJECT
public:
    explicit CContinueConfirmDialog(const LanguageTable& texts, QWidget* parent = nullptr);

    // The title, message and captions; empty ones keep the dialog's own.
    void Set(const ContinueConfirm& dialog);
    // Shows the dialog modally; the index of the button pressed.
    int Run();
    // The dialog's own title and default captions.
    void Relabel();

private:
    const LanguageTable& m_texts;
    QLabel* m_text = nullptr;
    std::array<QPushButton*, 4> m_buttons{};
    ContinueConfirm m_request{};
    int m_answer = ContinueConfirm::Stop;
};

}  // namespace tessarin::gui
