#include "gui/backup/CKeyRestoreDlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/common/DialogButtons.h"
#include "gui/common/GuiContext.h"
#include "gui/common/GuiText.h"

namespace tessarin::gui {

namespace {
constexpr std::array<const char*, 4> kNames = {"userShare", "makerShare", "publicKey", "output"};
constexpr std::array<int, 4> kLabels = {slot::kRestoreUserShare, slot::kRestoreMakerShare, slot::kRestorePublicKey,
                                        slot::kRestoreOutput};
}  // namespace

CKeyRestoreDlg::CKeyRestoreDlg(GuiContext& context, QWidget* parent) : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("CKeyRestoreDlg"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    for (int i = 0; i < kFields; ++i) {
        const auto k = static_cast<std::size_t>(i);
        m_labels[k] = new QLabel(this);
        m_edits[k] = new QLineEdit(this);
        m_edits[k]->setObjectName(QString::fromLatin1(kNames[k]));
        m_edits[k]->setMinimumWidth(360);
        m_labels[k]->setBuddy(m_edits[k]);
        m_browse[k] = new QPushButton(this);
        m_browse[k]->setObjectName(QString::fromLatin1(kNames[k]) + QStringLiteral("Browse"));
        connect(m_browse[k], &QPushButton::clicked, this, [this, i] { Browse(i); });
        grid->addWidget(m_labels[k], i, 0);
        grid->addWidget(m_edits[k], i, 1);
        grid->addWidget(m_browse[k], i, 2);
    }
    layout->addLayout(grid);
    const auto buttons = AddDialogButtons(*this, *layout);
    m_ok = buttons.ok;
    m_cancel = buttons.cancel;
    connect(m_ok, &QPushButton::clicked, this, &CKeyRestoreDlg::Ok);
    connect(&m_context.language, &CLanguageBinding::Changed, this, &CKeyRestoreDlg::Relabel);

    // The active key set's files where it has them.
    const auto shares = m_context.core.OwnSharePaths();
    m_edits[UserShare]->setText(PathText(shares.user));
    m_edits[MakerShare]->setText(PathText(shares.maker));
    if (m_context.core.HasKeySet()) m_edits[PublicKey]->setText(PathText(m_context.core.Keys().PublicKeyPath()));
    Relabel();
}

void CKeyRestoreDlg::Relabel() {
    const auto& texts = m_context.Texts();
    setWindowTitle(Text(texts, slot::kRestoreTitle));
    for (std::size_t i = 0; i < kFields; ++i) {
        m_labels[i]->setText(Text(texts, kLabels[i]));
        m_browse[i]->setText(Text(texts, slot::kBrowse));
    }
    m_ok->setText(Text(texts, slot::kCaptionOk));
    m_cancel->setText(Text(texts, slot::kCaptionCancel));
}

void CKeyRestoreDlg::Browse(int field) {
    const auto k = static_cast<std::size_t>(field);
    ChooserRequest request;
    request.title = m_labels[k]->text();
    request.startFolder = PathFromText(m_edits[k]->text()).parent_path();
    std::optional<std::filesystem::path> chosen;
    if (field == Output) {
        request.defaultSuffix = QStringLiteral("vpri");
        chosen = m_context.chooser.SaveFile(this, request);
    } else {
        const auto files = m_context.chooser.OpenFiles(this, request, false);
        if (!files.empty()) chosen = files.front();
    }
    if (chosen) m_edits[k]->setText(PathText(*chosen));
}

void CKeyRestoreDlg::Ok() {
    const auto path = [this](Field f) { return PathFromText(m_edits[f]->text().trimmed()); };
    auto& core = m_context.core;
    auto& dialog = m_context.dialog;
    const auto user = path(UserShare), maker = path(MakerShare), key = path(PublicKey), out = path(Output);
    // The window may not go while its job runs; the job's end enables it again.
    QPointer<CKeyRestoreDlg> self(this);
    const bool started = m_context.jobs.Run<JobResult>(
        [&core, user, maker, key, out] { return core.RestoreKey(user, maker, key, out); },
        [self, &core, &dialog, out](JobResult result) {
            if (self) self->SetRunning(false);
            if (const auto text = core.RefusalText(result); !text.empty())
                dialog.ShowMessage(text, MessageKind::Warning, {});
            if (!result.Ok()) return;
            dialog.ShowMessage(FormatText(core.Texts()[slot::kRestoreDone], {out.string()}), MessageKind::Information,
                               {});
            if (self) self->accept();
        });
    if (started) SetRunning(true);
}

void CKeyRestoreDlg::SetRunning(bool running) {
    m_ok->setEnabled(!running);
    m_cancel->setEnabled(!running);
    for (auto* b : m_browse) b->setEnabled(!running);
}

void CKeyRestoreDlg::reject() {
    if (m_cancel->isEnabled()) QDialog::reject();
}

}  // namespace tessarin::gui
