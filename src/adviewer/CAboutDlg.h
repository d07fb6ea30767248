#pragma once
// CAboutDlg: the viewer's version box.

#include <QDialog>

class QLabel;
class QPushButton;

namespace tessarin {
class LanguageTable;
}

namespace tessarin::adviewer {

class CAboutDlg final : public QDialog {
    Q_OBJECT

public:
    CAboutDlg(const LanguageTable& texts, QWidget* parent = nullptr);
    Q_DISABLE_COPY(CAboutDlg)

    void Relabel();

private:
    const LanguageTable& m_texts;
    QLabel* m_version;
    QPushButton* m_ok;
};

}  // namespace tessarin::adviewer
