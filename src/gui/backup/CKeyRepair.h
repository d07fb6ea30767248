#pragma once
// CKeyRepair: asks whether to request a key repair; Yes mails the repair
// fragment to the maker. Its link tells what to do when the mail program
// does not start.

#include <QDialog>

class QLabel;
class QPushButton;

namespace tessarin::gui {

struct GuiContext;

class CKeyRepair final : public QDialog {
    Q_OBJECT
public:
    explicit CKeyRepair(GuiContext& context, QWidget* parent = nullptr);
    void Relabel();

private:
    void Yes();
    void ShowReadMe();

    GuiContext& m_context;
    QLabel* m_question = nullptr;
    QLabel* m_link = nullptr;
    QPushButton* m_yes = nullptr;
    QPushButton* m_no = nullptr;
};

}  // namespace tessarin::gui
