#pragma once
// CFileDialogWithTimeSet: the encrypt file dialog. The files to encrypt
// (chosen through the file chooser), the time-limit controls, the options
// "Without Adding My address.", "Manage Logs", "The Encryption file is
// completely deleted." and "Send encrypted files by e-mail.", and the OK
// button "Encryption".

#include <QDialog>
#include <filesystem>
#include <vector>

#include "app/MainWindowState.h"

class QPushButton;

namespace tessarin::gui {

struct GuiContext;
class CChosenFileList;
class CEncryptOptionBox;
class CTimeLimitBox;

class CFileDialogWithTimeSet final : public QDialog {
    Q_OBJECT
public:
    // defaults: the options the dialog opens with (the settings'); their
    // output folder is kept.
    CFileDialogWithTimeSet(GuiContext& context, const std::vector<std::filesystem::path>& sources,
                           const EncryptOptions& defaults, QWidget* parent = nullptr);

    const std::vector<std::filesystem::path>& Files() const;
    // The options as the dialog was accepted with.
    const EncryptOptions& Options() const { return m_options; }
    void Relabel();

private:
    void TryAccept();

    GuiContext& m_context;
    EncryptOptions m_options;
    CChosenFileList* m_files = nullptr;
    CTimeLimitBox* m_limit = nullptr;
    CEncryptOptionBox* m_optionBox = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

}  // namespace tessarin::gui
