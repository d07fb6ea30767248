#include "gui/encrypt/CFileDialogWithTimeSet.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/CommandDialogRules.h"
#include "gui/common/CChosenFileList.h"
#include "gui/common/DialogButtons.h"
#include "gui/common/GuiContext.h"
#include "gui/common/GuiText.h"
#include "gui/common/WindowMessage.h"
#include "gui/encrypt/CEncryptOptionBox.h"
#include "gui/encrypt/CTimeLimitBox.h"

namespace tessarin::gui {

CFileDialogWithTimeSet::CFileDialogWithTimeSet(GuiContext& context, const std::vector<std::filesystem::path>& sources,
                                               const EncryptOptions& defaults, QWidget* parent)
    : QDialog(parent), m_context(context), m_options(defaults) {
    setObjectName(QStringLiteral("CFileDialogWithTimeSet"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    m_files = new CChosenFileList(context, slot::kEncryptFilesLabel, slot::kEncryptFilesTitle, 0, this);
    layout->addWidget(m_files, 1);
    auto* row = new QHBoxLayout;
    m_limit = new CTimeLimitBox(context, this);
    m_optionBox = new CEncryptOptionBox(context, this);
    row->addWidget(m_limit, 1);
    row->addWidget(m_optionBox, 0, Qt::AlignTop);
    layout->addLayout(row);
    const auto buttons = AddDialogButtons(*this, *layout);
    m_ok = buttons.ok;
    m_cancel = buttons.cancel;
    connect(m_ok, &QPushButton::clicked, this, &CFileDialogWithTimeSet::TryAccept);

    m_files->Add(sources);
    m_limit->SetForm(DefaultTimeLimitForm(defaults.timeLimit, context.core.Host()));
    m_optionBox->Set(defaults);
    connect(&context.language, &CLanguageBinding::Changed, this, &CFileDialogWithTimeSet::Relabel);
    Relabel();
}

const std::vector<std::filesystem::path>& CFileDialogWithTimeSet::Files() const {
    return m_files->Files();
}

void CFileDialogWithTimeSet::Relabel() {
    const auto& texts = m_context.Texts();
    setWindowTitle(Text(texts, slot::kEncryptFilesTitle));
    m_files->Relabel();
    m_limit->Relabel();
    m_optionBox->Relabel();
    m_ok->setText(Text(texts, slot::kEncryptButton));
    m_cancel->setText(Text(texts, slot::kCaptionCancel));
}

void CFileDialogWithTimeSet::TryAccept() {
    if (const int refusal = FileListRefusal(m_files->Files().size()); refusal != 0) {
        ShowWindowMessage(m_context, this, m_context.Texts()[refusal]);
        return;
    }
    EncryptOptions options = m_options;
    if (!m_limit->Check(options.timeLimit)) return;
    m_optionBox->Apply(options);
    m_options = options;
    accept();
}

}  // namespace tessarin::gui
