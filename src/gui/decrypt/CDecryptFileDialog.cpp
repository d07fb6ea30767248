#include "gui/decrypt/CDecryptFileDialog.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "app/CommandDialogRules.h"
#include "gui/common/CChosenFileList.h"
#include "gui/common/DialogButtons.h"
#include "gui/common/GuiContext.h"
#include "gui/common/GuiText.h"
#include "gui/common/WindowMessage.h"

namespace tessarin::gui {

CDecryptFileDialog::CDecryptFileDialog(GuiContext& context, const std::vector<std::filesystem::path>& files,
                                       QWidget* parent)
    : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("CDecryptFileDialog"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    m_files =
        new CChosenFileList(context, slot::kDecryptFilesLabel, slot::kDecryptDialogTitle, slot::kContainerFilter, this);
    layout->addWidget(m_files, 1);
    m_extra = new QVBoxLayout;
    layout->addLayout(m_extra);
    const auto buttons = AddDialogButtons(*this, *layout);
    m_ok = buttons.ok;
    m_cancel = buttons.cancel;
    connect(m_ok, &QPushButton::clicked, this, &CDecryptFileDialog::TryAccept);
    m_files->Add(files);
    connect(&context.language, &CLanguageBinding::Changed, this, [this] { Relabel(); });
    CDecryptFileDialog::Relabel();
}

const std::vector<std::filesystem::path>& CDecryptFileDialog::Files() const {
    return m_files->Files();
}

void CDecryptFileDialog::Relabel() {
    const auto& texts = m_context.Texts();
    setWindowTitle(Text(texts, slot::kDecryptDialogTitle));
    m_files->Relabel();
    m_ok->setText(Text(texts, slot::kDecryptDialogOk));
    m_cancel->setText(Text(texts, slot::kCaptionCancel));
}

void CDecryptFileDialog::TryAccept() {
    if (const int refusal = FileListRefusal(m_files->Files().size()); refusal != 0) {
        ShowWindowMessage(m_context, this, m_context.Texts()[refusal]);
        return;
    }
    accept();
}

}  // namespace tessarin::gui
