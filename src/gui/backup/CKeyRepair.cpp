#include "gui/backup/CKeyRepair.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/common/GuiContext.h"
#include "gui/common/GuiText.h"

namespace tessarin::gui {

CKeyRepair::CKeyRepair(GuiContext& context, QWidget* parent) : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("CKeyRepair"));
    auto* layout = new QVBoxLayout(this);
    m_question = new QLabel(this);
    m_question->setObjectName(QStringLiteral("question"));
    m_question->setWordWrap(true);
    m_question->setMinimumWidth(360);
    layout->addWidget(m_question);
    m_link = new QLabel(this);
    m_link->setObjectName(QStringLiteral("readMe"));
    m_link->setTextFormat(Qt::RichText);
    m_link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    layout->addWidget(m_link);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_yes = new QPushButton(this);
    m_yes->setObjectName(QStringLiteral("yes"));
    m_no = new QPushButton(this);
    m_no->setObjectName(QStringLiteral("no"));
    m_no->setDefault(true);
    buttons->addWidget(m_yes);
    buttons->addWidget(m_no);
    layout->addLayout(buttons);
    connect(m_yes, &QPushButton::clicked, this, &CKeyRepair::Yes);
    connect(m_no, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_link, &QLabel::linkActivated, this, &CKeyRepair::ShowReadMe);
    connect(&m_context.language, &CLanguageBinding::Changed, this, &CKeyRepair::Relabel);
    Relabel();
}

void CKeyRepair::Relabel() {
    const auto& texts = m_context.Texts();
    setWindowTitle(Text(texts, slot::kKeyRepairTitle));
    m_question->setText(Text(texts, slot::kRepairRequestQuestion));
    m_link->setText(QStringLiteral("<a href=\"readme\">%1</a>").arg(Text(texts, slot::kKeyRepairLink).toHtmlEscaped()));
    m_yes->setText(Text(texts, slot::kCaptionYes));
    m_no->setText(Text(texts, slot::kCaptionNo));
}

void CKeyRepair::ShowReadMe() {
    const auto& texts = m_context.Texts();
    m_context.dialog.ShowMessage(texts[slot::kKeyRepairReadMe] + "\n\n" + m_context.core.RepairHowToText(),
                                 MessageKind::Information, {});
}

void CKeyRepair::Yes() {
    auto& core = m_context.core;
    if (!m_context.jobs.Run<JobResult>([&core] { return core.SendRepairFragment(); }, {})) return;
    accept();
}

}  // namespace tessarin::gui
