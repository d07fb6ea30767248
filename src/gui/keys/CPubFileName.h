#pragma once
// CPubFileName: asks for the name of a public key file ("公開鍵名",
// "ファイル名:"). The caller checks the name and asks again.

#include <QDialog>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tessarin {
class LanguageTable;
}

namespace tessarin::gui {

class CPubFileName final : public QDialog {
    Q_OBJECT
public:
    explicit CPubFileName(const LanguageTable& texts, QWidget* parent = nullptr);
    void Relabel();
    // The name typed (UTF-8), or nothing when cancelled.
    std::optional<std::string> Ask();

private:
    const LanguageTable& m_texts;
    QLabel* m_label = nullptr;
    QLineEdit* m_name = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

}  // namespace tessarin::gui
