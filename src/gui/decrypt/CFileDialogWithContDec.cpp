#include "gui/decrypt/CFileDialogWithContDec.h"

#include <QCheckBox>
#include <QVBoxLayout>

#include "gui/common/GuiContext.h"
#include "gui/common/GuiText.h"

namespace tessarin::gui {

CFileDialogWithContDec::CFileDialogWithContDec(GuiContext& context, const std::vector<std::filesystem::path>& files,
                                               bool keepContainerName, QWidget* parent)
    : CDecryptFileDialog(context, files, parent) {
    setObjectName(QStringLiteral("CFileDialogWithContDec"));
    m_keepName = new QCheckBox(this);
    m_keepName->setObjectName(QStringLiteral("keepContainerName"));
    m_keepName->setChecked(keepContainerName);
    ExtraArea()->addWidget(m_keepName);
    CFileDialogWithContDec::Relabel();
}

bool CFileDialogWithContDec::KeepContainerName() const {
    return m_keepName->isChecked();
}

void CFileDialogWithContDec::Relabel() {
    CDecryptFileDialog::Relabel();
    m_keepName->setText(Text(Context().Texts(), slot::kKeepContainerName));
}

}  // namespace tessarin::gui
