#include "gui/encrypt/CEncryptOptDlg.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/CommandDialogRules.h"
#include "gui/common/DialogButtons.h"
#include "gui/common/GuiContext.h"
#include "gui/common/GuiText.h"
#include "gui/common/WindowMessage.h"
#include "gui/encrypt/CEncryptOptionBox.h"
#include "gui/encrypt/CTimeLimitBox.h"

namespace tessarin::gui {

CEncryptOptDlg::CEncryptOptDlg(GuiContext& context, const EncryptOptions& defaults, QWidget* parent)
    : QDialog(parent), m_context(context), m_options(defaults) {
    setObjectName(QStringLiteral("CEncryptOptDlg"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    m_limit = new CTimeLimitBox(context, this);
    m_optionBox = new CEncryptOptionBox(context, this);
    row->addWidget(m_limit, 1);
    row->addWidget(m_optionBox, 0, Qt::AlignTop);
    layout->addLayout(row);

    m_folderBox = new QGroupBox(this);
    m_folderBox->setObjectName(QStringLiteral("outputFolderBox"));
    auto* folder = new QVBoxLayout(m_folderBox);
    auto* folderRow = new QHBoxLayout;
    m_folder = new QLineEdit(m_folderBox);
    m_folder->setObjectName(QStringLiteral("outputFolder"));
    m_folder->setClearButtonEnabled(true);
    m_folder->setMinimumWidth(m_folder->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 40);
    m_changeFolder = new QPushButton(m_folderBox);
    m_changeFolder->setObjectName(QStringLiteral("changeFolder"));
    folderRow->addWidget(m_folder, 1);
    folderRow->addWidget(m_changeFolder);
    folder->addLayout(folderRow);
    m_folderNote = new QLabel(m_folderBox);
    m_folderNote->setObjectName(QStringLiteral("outputFolderNote"));
    folder->addWidget(m_folderNote);
    layout->addWidget(m_folderBox);

    const auto buttons = AddDialogButtons(*this, *layout);
    m_ok = buttons.ok;
    m_cancel = buttons.cancel;
    connect(m_ok, &QPushButton::clicked, this, &CEncryptOptDlg::TryAccept);
    connect(m_changeFolder, &QPushButton::clicked, this, &CEncryptOptDlg::ChangeFolder);

    m_limit->SetForm(DefaultTimeLimitForm(defaults.timeLimit, context.core.Host()));
    m_optionBox->Set(defaults);
    SetFolder(defaults.outputFolder);
    connect(&context.language, &CLanguageBinding::Changed, this, &CEncryptOptDlg::Relabel);
    Relabel();
}

void CEncryptOptDlg::Relabel() {
    const auto& texts = m_context.Texts();
    setWindowTitle(Text(texts, slot::kEncryptOptionsTitle));
    m_limit->Relabel();
    m_optionBox->Relabel();
    m_folderBox->setTitle(Text(texts, slot::kOutputFolder));
    m_changeFolder->setText(Text(texts, slot::kChangeFolder));
    m_folderNote->setText(Text(texts, slot::kSameFolderNote));
    m_ok->setText(Text(texts, slot::kCaptionOk));
    m_cancel->setText(Text(texts, slot::kCaptionCancel));
}

void CEncryptOptDlg::ChangeFolder() {
    ChooserRequest request;
    request.title = Text(m_context.Texts(), slot::kOutputFolder);
    request.startFolder = TypedFolder();
    if (const auto chosen = m_context.chooser.ChooseFolder(this, request)) SetFolder(*chosen);
}

void CEncryptOptDlg::SetFolder(const std::filesystem::path& folder) {
    m_folderPath = folder;
    m_folder->setText(PathText(folder));
}

std::filesystem::path CEncryptOptDlg::TypedFolder() const {
    // A folder set by the dialog stays the folder on disk even when its name
    // does not survive the trip through the text.
    const QString text = m_folder->text();
    return text == PathText(m_folderPath) ? m_folderPath : PathFromText(text);
}

void CEncryptOptDlg::TryAccept() {
    EncryptOptions options = m_options;
    if (!m_limit->Check(options.timeLimit)) return;
    options.optionsLimitChecked = m_limit->LimitChosen();
    const std::string typed = TypedFolder().string();
    const auto folder = CheckOutputFolder(typed);
    if (!folder.ok) {
        ShowWindowMessage(m_context, this, FormatText(m_context.Texts()[folder.messageSlot], {typed}));
        m_folder->setFocus();
        return;
    }
    options.outputFolder = folder.folder;
    m_optionBox->Apply(options);
    m_options = options;
    accept();
}

}  // namespace tessarin::gui
