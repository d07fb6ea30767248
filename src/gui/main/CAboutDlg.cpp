#include "gui/main/CAboutDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/LanguageTable.h"
#include "gui/common/GuiText.h"

namespace tessarin::gui {

CAboutDlg::CAboutDlg(const LanguageTable& texts, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), m_texts(texts) {
    setObjectName(QStringLiteral("CAboutDlg"));
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setPixmap(QPixmap(QStringLiteral(":/gui/icon.png")));
    m_name = new QLabel(this);
    m_name->setObjectName(QStringLiteral("productName"));
    auto font = m_name->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.4);
    m_name->setFont(font);
    m_version = new QLabel(this);
    m_version->setObjectName(QStringLiteral("versionText"));
    m_description = new QLabel(this);
    m_description->setObjectName(QStringLiteral("description"));
    m_ok = new QPushButton(this);
    m_ok->setObjectName(QStringLiteral("okButton"));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* lines = new QVBoxLayout;
    lines->addWidget(m_name);
    lines->addWidget(m_version);
    lines->addWidget(m_description);
    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addSpacing(12);
    row->addLayout(lines, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    Relabel();
}

void CAboutDlg::Relabel() {
    setWindowTitle(Text(m_texts, slot::kMenuAbout));
    m_name->setText(Text(m_texts, slot::kProductName));
    m_version->setText(Qs(FormatText(m_texts[slot::kAboutVersion], {std::string(TESSARIN_VERSION)})));
    m_description->setText(Text(m_texts, slot::kAboutDescription));
    m_ok->setText(Text(m_texts, slot::kCaptionOk));
}

}  // namespace tessarin::gui
