#include "gui/qr/CQRChar2PubKey.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/common/GuiContext.h"
#include "gui/common/GuiText.h"
#include "gui/keys/CPubFileName.h"

namespace tessarin::gui {

CQRChar2PubKey::CQRChar2PubKey(GuiContext& context, QWidget* parent) : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("CQRChar2PubKey"));
    auto* layout = new QVBoxLayout(this);
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("text"));
    m_text->setWordWrap(true);
    layout->addWidget(m_text);
    m_field = new QPlainTextEdit(this);
    m_field->setObjectName(QStringLiteral("field"));
    m_field->setMinimumSize(420, 200);
    layout->addWidget(m_field, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_make = new QPushButton(this);
    m_make->setObjectName(QStringLiteral("make"));
    buttons->addWidget(m_make);
    layout->addLayout(buttons);
    connect(m_make, &QPushButton::clicked, this, &CQRChar2PubKey::Make);
    connect(&m_context.language, &CLanguageBinding::Changed, this, &CQRChar2PubKey::Relabel);
    Relabel();
}

void CQRChar2PubKey::Relabel() {
    const auto& texts = m_context.Texts();
    setWindowTitle(Text(texts, slot::kQrImportTitle));
    m_text->setText(Text(texts, slot::kQrImportText));
    m_make->setText(Text(texts, slot::kQrImportMake));
}

void CQRChar2PubKey::Make() {
    auto& core = m_context.core;
    auto& dialog = m_context.dialog;
    m_written.clear();
    const auto import = core.ReadQrImportText(m_field->toPlainText().toStdString());
    if (import.result != QrImportResult::Complete) {
        dialog.ShowMessage(import.message, MessageKind::Warning, {});
        return;
    }
    for (;;) {
        CPubFileName prompt(m_context.Texts(), this);
        const auto name = prompt.Ask();
        if (!name) return;
        const auto written = core.WriteQrImportedKey(import, *name);
        const bool ok = written.status == QrImportWrite::Written;
        dialog.ShowMessage(written.message, ok ? MessageKind::Information : MessageKind::Warning, {});
        if (ok) m_written = written.path;
        // A name that is empty or not a plain file name is asked for again.
        if (written.status != QrImportWrite::NameEmpty && written.status != QrImportWrite::NameForbidden) return;
    }
}

}  // namespace tessarin::gui
