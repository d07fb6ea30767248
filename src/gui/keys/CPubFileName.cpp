#include "gui/keys/CPubFileName.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/LanguageTable.h"
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
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_ok = new QPushButton(this);
    m_ok->setObjectName(QStringLiteral("ok"));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
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
