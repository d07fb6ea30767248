#pragma once
// CAboutDlg: the program's About box: its icon, name, version and what it is.

#include <QDialog>

class QLabel;
class QPushButton;

namespace tessarin {
class LanguageTable;
}

namespace tessarin::gui {

class CAboutDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(const LanguageTable& texts, QWidget* parent = nullptr);
    void Relabel();

private:
    const LanguageTable& m_texts;
    QLabel* m_name = nullptr;
    QLabel* m_version = nullptr;
    QLabel* m_description = nullptr;
    QPushButton* m_ok = nullptr;
};

}  // namespace tessarin::gui
