#pragma once
// CEncryptOptDlg: "Setting of encryption in details", shown before an
// encryption to the chosen recipients while the main window's detail
// switch is on. The time-limit controls (counted only while a limit is
// checked), the four options of the encrypt file dialog and the "Output
// Folder" with "Change Folder".

#include <QDialog>
#include <filesystem>

#include "app/MainWindowState.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tessarin::gui {

struct GuiContext;
class CEncryptOptionBox;
class CTimeLimitBox;

class CEncryptOptDlg final : public QDialog {
    Q_OBJECT
public:
    CEncryptOptDlg(GuiContext& context, const EncryptOptions& defaults, QWidget* parent = nullptr);

    // The options as the dialog was accepted with.
    const EncryptOptions& Options() const { return m_options; }
    void Relabel();

private:
    void ChangeFolder();
    void SetFolder(const std::filesystem::path& folder);
    std::filesystem::path TypedFolder() const;
    void TryAccept();

    GuiContext& m_context;
    EncryptOptions m_options;
    std::filesystem::path m_folderPath;  // the folder last set by the dialog
    CTimeLimitBox* m_limit = nullptr;
    CEncryptOptionBox* m_optionBox = nullptr;
    QGroupBox* m_folderBox = nullptr;
    QLineEdit* m_folder = nullptr;
    QPushButton* m_changeFolder = nullptr;
    QLabel* m_folderNote = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

}  // namespace tessarin::gui
