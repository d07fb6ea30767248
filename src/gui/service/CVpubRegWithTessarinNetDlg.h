#pragma once
// CVpubRegWithTessarinNetDlg: the name and address under which the own
// public key is registered on the service's page; OK opens the page in the
// browser.

#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tessarin::gui {

struct GuiContext;

class CVpubRegWithTessarinNetDlg final : public QDialog {
    Q_OBJECT
public:
    // name and mailAddress are preset into the fields.
    CVpubRegWithTessarinNetDlg(GuiContext& context, const std::string& name, const std::string& mailAddress,
                               QWidget* parent = nullptr);
    void Relabel();

private:
    void Ok();

    GuiContext& m_context;
    QLabel* m_prompt = nullptr;
    QLabel* m_nameLabel = nullptr;
    QLabel* m_mailLabel = nullptr;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_mail = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

}  // namespace tessarin::gui
