#pragma once
// CFileDialogWithContDec: the decrypt file dialog with the check box
// "Hereafter,Decrypt without Namechange.": the outputs of the run keep their
// containers' names, less the extension, instead of the stored names.

#include "gui/decrypt/CDecryptFileDialog.h"

class QCheckBox;

namespace tessarin::gui {

class CFileDialogWithContDec final : public CDecryptFileDialog {
    Q_OBJECT
public:
    CFileDialogWithContDec(GuiContext& context, const std::vector<std::filesystem::path>& files, bool keepContainerName,
                           QWidget* parent = nullptr);

    bool KeepContainerName() const;
    void Relabel() override;

private:
    QCheckBox* m_keepName = nullptr;
};

}  // namespace tessarin::gui
