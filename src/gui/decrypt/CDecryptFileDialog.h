#pragma once
// CDecryptFileDialog: the decrypt file dialog, window text "Decrypt": the
// containers to decrypt, chosen through the file chooser, and the OK button
// "復号実施". CFileDialogWithContDec is the same window with one more
// check box.

#include <QDialog>
#include <filesystem>
#include <vector>

class QPushButton;
class QVBoxLayout;

namespace tessarin::gui {

struct GuiContext;
class CChosenFileList;

class CDecryptFileDialog : public QDialog {
    Q_OBJECT
public:
    CDecryptFileDialog(GuiContext& context, const std::vector<std::filesystem::path>& files, QWidget* parent = nullptr);

    const std::vector<std::filesystem::path>& Files() const;
    virtual void Relabel();

protected:
    GuiContext& Context() { return m_context; }
    // Where a derived window puts its own controls, above the buttons.
    QVBoxLayout* ExtraArea() { return m_extra; }

private:
    void TryAccept();

    GuiContext& m_context;
    CChosenFileList* m_files = nullptr;
    QVBoxLayout* m_extra = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

}  // namespace tessarin::gui
