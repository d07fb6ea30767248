#include "gui/common/CWait.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/LanguageTable.h"
#include "gui/common/GuiText.h"

namespace tessarin::gui {

CWait::CWait(const LanguageTable& texts, std::function<void()> onCancel, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_texts(texts),
      m_onCancel(std::move(onCancel)) {
    setObjectName(QStringLiteral("CWait"));
    auto* layout = new QVBoxLayout(this);
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("text"));
    m_text->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_text);
    m_cancel = new QPushButton(this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    layout->addWidget(m_cancel, 0, Qt::AlignHCenter);
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        if (m_onCancel) m_onCancel();
        close();
    });
    Relabel();
}

void CWait::Relabel() {
    setWindowTitle(Text(m_texts, slot::kProductName));
    m_text->setText(Text(m_texts, slot::kWaitText));
    m_cancel->setText(Text(m_texts, slot::kCaptionCancel));
}

}  // namespace tessarin::gui
