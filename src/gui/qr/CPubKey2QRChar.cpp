#include "gui/qr/CPubKey2QRChar.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/common/GuiContext.h"
#include "gui/common/GuiText.h"

namespace tessarin::gui {

CPubKey2QRChar::CPubKey2QRChar(GuiContext& context, const std::filesystem::path& bitmap, QWidget* parent)
    : QDialog(parent), m_context(context), m_image(PathText(bitmap)) {
    setObjectName(QStringLiteral("CPubKey2QRChar"));
    auto* layout = new QVBoxLayout(this);
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("text"));
    layout->addWidget(m_text);
    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("picture"));
    m_picture->setFixedSize(65, 65);
    if (!m_image.isNull()) m_picture->setPixmap(QPixmap::fromImage(m_image));
    layout->addWidget(m_picture, 0, Qt::AlignHCenter);
    auto* buttons = new QHBoxLayout;
    m_save = new QPushButton(this);
    m_save->setObjectName(QStringLiteral("save"));
    m_copy = new QPushButton(this);
    m_copy->setObjectName(QStringLiteral("copy"));
    m_cancel = new QPushButton(this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    for (auto* b : {m_save, m_copy, m_cancel}) buttons->addWidget(b);
    layout->addLayout(buttons);
    m_save->setEnabled(!m_image.isNull());
    m_copy->setEnabled(!m_image.isNull());
    connect(m_save, &QPushButton::clicked, this, [this] {
        m_saveRequested = true;
        accept();
    });
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        m_saveRequested = false;
        accept();
    });
    connect(m_copy, &QPushButton::clicked, this, [this] { QApplication::clipboard()->setImage(m_image); });
    connect(&m_context.language, &CLanguageBinding::Changed, this, &CPubKey2QRChar::Relabel);
    Relabel();
}

void CPubKey2QRChar::Relabel() {
    const auto& texts = m_context.Texts();
    setWindowTitle(Text(texts, slot::kQrMadeTitle));
    m_text->setText(Text(texts, slot::kQrMadeText));
    m_save->setText(Text(texts, slot::kQrMadeSave));
    m_copy->setText(Text(texts, slot::kQrMadeCopy));
    m_cancel->setText(Text(texts, slot::kCaptionCancel));
}

}  // namespace tessarin::gui
