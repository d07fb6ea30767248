#include "gui/qr/CQRCodeFuncSelDlg.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "gui/common/DialogButtons.h"
#include "gui/common/GuiContext.h"
#include "gui/common/GuiText.h"
#include "gui/qr/CPubKey2QRChar.h"
#include "gui/qr/CQRChar2PubKey.h"

namespace tessarin::gui {

CQRCodeFuncSelDlg::CQRCodeFuncSelDlg(GuiContext& context, std::filesystem::path bitmap, QWidget* parent)
    : QDialog(parent), m_context(context), m_bitmap(std::move(bitmap)) {
    setObjectName(QStringLiteral("CQRCodeFuncSelDlg"));
    auto* layout = new QVBoxLayout(this);
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("text"));
    m_text->setWordWrap(true);
    layout->addWidget(m_text);
    m_generate = new QRadioButton(this);
    m_generate->setObjectName(QStringLiteral("generate"));
    m_import = new QRadioButton(this);
    m_import->setObjectName(QStringLiteral("import"));
    layout->addWidget(m_generate);
    layout->addWidget(m_import);
    const auto buttons = AddDialogButtons(*this, *layout);
    m_ok = buttons.ok;
    m_cancel = buttons.cancel;
    connect(m_ok, &QPushButton::clicked, this, &CQRCodeFuncSelDlg::Ok);
    connect(&m_context.language, &CLanguageBinding::Changed, this, &CQRCodeFuncSelDlg::Relabel);
    Relabel();
}

void CQRCodeFuncSelDlg::Relabel() {
    const auto& texts = m_context.Texts();
    setWindowTitle(Text(texts, slot::kQrFuncTitle));
    m_text->setText(Text(texts, slot::kQrFuncText));
    m_generate->setText(Text(texts, slot::kQrFuncGenerate));
    m_import->setText(Text(texts, slot::kQrFuncImport));
    m_ok->setText(Text(texts, slot::kCaptionOk));
    m_cancel->setText(Text(texts, slot::kCaptionCancel));
}

void CQRCodeFuncSelDlg::Ok() {
    if (m_import->isChecked()) {
        CQRChar2PubKey importer(m_context, this);
        importer.exec();
    } else if (m_generate->isChecked()) {
        Generate();
    }
    accept();
}

void CQRCodeFuncSelDlg::Generate() {
    auto& core = m_context.core;
    // A key that cannot be read makes no bitmap; the window then shows an
    // empty picture.
    (void)core.WriteOwnPublicKeyQrBitmap(m_bitmap);
    CPubKey2QRChar made(m_context, m_bitmap, this);
    made.exec();
    if (!made.SaveRequested()) return;
    const auto& texts = m_context.Texts();
    ChooserRequest request;
    request.title = Text(texts, slot::kQrMadeTitle);
    request.filter = Text(texts, slot::kBitmapFilter);
    request.defaultSuffix = QStringLiteral("bmp");
    const auto name = core.OwnQrBitmapSaveName();
    request.startFolder = name.parent_path();
    request.defaultName = PathText(name.filename());
    const auto path = m_context.chooser.SaveFile(this, request);
    if (!path) return;
    if (core.WriteOwnPublicKeyQrBitmap(*path) != QrBitmapResult::Ok)
        m_context.dialog.ShowMessage(texts[slot::kQrFileOpenError], MessageKind::Error, {});
}

}  // namespace tessarin::gui
