#include "gui/keys/CPubFileName.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/LanguageTable.h"
#include "gui/common/DialogButtons.h"
#include "gui/common/GuiText.h"

namespace tessarin::gui {

CPubFileName::CPubFileName(const LanguageTable& texts, QWidget* parent) : QDialog(parent), m_texts(texts) {
    setObjectName(QStringLiteral("CPubFileName"));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    m_label = new QLabel(this);
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("name"));
    m_name->setMinimumWidth(240);
    m_label->setBuddy(m_name);
    row->addWidget(m_label);
    row->addWidget(m_name, 1);
    layout->addLayout(row);
    const auto buttons = AddDialogButtons(*this, *layout);
    m_ok = buttons.ok;
    m_cancel = buttons.cancel;
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    Relabel();
}

void CPubFileName::Relabel() {
    setWindowTitle(Text(m_texts, slot::kPubFileNameTitle));
    m_label->setText(Text(m_texts, slot::kPubFileNameLabel));
    m_ok->setText(Text(m_texts, slot::kCaptionOk));
    m_cancel->setText(Text(m_texts, slot::kCaptionCancel));
}

std::optional<std::string> CPubFileName::Ask() {
    m_name->setFocus();
    if (exec() != QDialog::Accepted) return std::nullopt;
    return m_name->text().trimmed().toStdString();
}

}  // namespace tessarin::gui
