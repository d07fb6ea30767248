#include "gui/qr/CQrcodeViewDlg.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/common/GuiContext.h"
#include "gui/common/GuiText.h"
#include "gui/qr/QrImage.h"

namespace tessarin::gui {

namespace {
constexpr int kSavedScale = 2;  // the saved and copied picture: each pixel 2 x 2
}

CQrcodeViewDlg::CQrcodeViewDlg(GuiContext& context, QWidget* parent)
    : QDialog(parent), m_context(context), m_view(context.core.OwnQrView()) {
    setObjectName(QStringLiteral("CQrcodeViewDlg"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("picture"));
    m_picture->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_picture->setPixmap(QPixmap::fromImage(QrImage(m_view.picture, 1)));
    top->addWidget(m_picture, 0, Qt::AlignTop);
    m_explanation = new QLabel(this);
    m_explanation->setObjectName(QStringLiteral("explanation"));
    m_explanation->setWordWrap(true);
    m_explanation->setMinimumWidth(340);
    m_explanation->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    top->addWidget(m_explanation, 1);
    layout->addLayout(top);

    auto* buttons = new QHBoxLayout;
    m_register = new QPushButton(this);
    m_register->setObjectName(QStringLiteral("register"));
    // Registering the key with the service needs the service's login window,
    // which is not there yet.
    m_register->setEnabled(false);
    m_save = new QPushButton(this);
    m_save->setObjectName(QStringLiteral("save"));
    m_copy = new QPushButton(this);
    m_copy->setObjectName(QStringLiteral("copy"));
    m_close = new QPushButton(this);
    m_close->setObjectName(QStringLiteral("close"));
    for (auto* b : {m_register, m_save, m_copy, m_close}) buttons->addWidget(b);
    layout->addLayout(buttons);
    const bool drawn = m_view.picture.width > 0;
    m_save->setEnabled(drawn);
    m_copy->setEnabled(drawn);
    connect(m_save, &QPushButton::clicked, this, &CQrcodeViewDlg::Save);
    connect(m_copy, &QPushButton::clicked, this, &CQrcodeViewDlg::Copy);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
    connect(&m_context.language, &CLanguageBinding::Changed, this, &CQrcodeViewDlg::Relabel);
    Relabel();
}

void CQrcodeViewDlg::Relabel() {
    const auto& texts = m_context.Texts();
    setWindowTitle(Text(texts, slot::kQrViewTitle));
    m_explanation->setText(Text(texts, slot::kQrViewExplanation));
    m_register->setText(Text(texts, slot::kQrViewRegister));
    m_save->setText(Text(texts, slot::kQrViewSave));
    m_copy->setText(Text(texts, slot::kQrViewCopy));
    m_close->setText(Text(texts, slot::kQrViewClose));
}

void CQrcodeViewDlg::Save() {
    const auto& texts = m_context.Texts();
    ChooserRequest request;
    request.title = Text(texts, slot::kQrViewTitle);
    request.filter = Text(texts, slot::kBitmapFilter);
    request.defaultSuffix = QStringLiteral("bmp");
    const auto path = m_context.chooser.SaveFile(this, request);
    if (!path) return;
    if (!m_context.core.SaveQrViewPicture(m_view.picture, *path))
        m_context.dialog.ShowMessage(texts[slot::kQrFileOpenError], MessageKind::Error, {});
}

void CQrcodeViewDlg::Copy() {
    QApplication::clipboard()->setImage(QrImage(m_view.picture, kSavedScale));
}

}  // namespace tessarin::gui
