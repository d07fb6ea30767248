#pragma once
// CWait: the wait window shown while a long operation runs. Its Cancel sets
// the cancel flag the job polls and closes the window at once.

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;

namespace tessarin {
class LanguageTable;
}

namespace tessarin::gui {

class CWait final : public QDialog {
    Q_OBJECT
public:
    CWait(const LanguageTable& texts, std::function<void()> onCancel, QWidget* parent = nullptr);
    void Relabel();

private:
    const LanguageTable& m_texts;
    std::function<void()> m_onCancel;
    QLabel* m_text = nullptr;
    QPushButton* m_cancel = nullptr;
};

}  // namespace tessarin::gui
