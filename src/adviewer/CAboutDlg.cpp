#include "adviewer/CAboutDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/LanguageTable.h"

namespace tessarin::adviewer {

CAboutDlg::CAboutDlg(const LanguageTable& texts, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_texts(texts),
      m_version(new QLabel(this)),
      m_ok(new QPushButton(this)) {
    setObjectName(QStringLiteral("aboutDialog"));
    m_version->setObjectName(QStringLiteral("versionText"));
    m_ok->setObjectName(QStringLiteral("okButton"));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* icon = new QLabel(this);
    icon->setPixmap(QPixmap(QStringLiteral(":/cm/icon.png")));
    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addSpacing(8);
    row->addWidget(m_version, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    Relabel();
}

void CAboutDlg::Relabel() {
    setWindowTitle(QString::fromStdString(m_texts[slot::kViewerAboutTitle]));
    m_version->setText(QString::fromStdString(m_texts[slot::kViewerVersion]));
    m_ok->setText(QString::fromStdString(m_texts[slot::kViewerAboutOk]));
    // Wide enough for its title beside the title bar's buttons.
    const int titleWidth = fontMetrics().horizontalAdvance(windowTitle()) + 96;
    layout()->activate();
    setFixedSize(layout()->sizeHint().expandedTo(QSize(titleWidth, 0)));
}

}  // namespace tessarin::adviewer
