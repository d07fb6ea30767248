#include "gui/service/CVpubRegWithTessarinNetDlg.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "gui/common/DialogButtons.h"
#include "gui/common/GuiContext.h"
#include "gui/common/GuiText.h"

namespace tessarin::gui {

CVpubRegWithTessarinNetDlg::CVpubRegWithTessarinNetDlg(GuiContext& context, const std::string& name,
                                                       const std::string& mailAddress, QWidget* parent)
    : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("CVpubRegWithTessarinNetDlg"));
    auto* layout = new QVBoxLayout(this);
    m_prompt = new QLabel(this);
    m_prompt->setObjectName(QStringLiteral("prompt"));
    layout->addWidget(m_prompt);
    auto* form = new QFormLayout;
    m_nameLabel = new QLabel(this);
    m_name = new QLineEdit(Qs(name), this);
    m_name->setObjectName(QStringLiteral("name"));
    m_name->setMinimumWidth(280);
    m_mailLabel = new QLabel(this);
    m_mail = new QLineEdit(Qs(mailAddress), this);
    m_mail->setObjectName(QStringLiteral("mail"));
    form->addRow(m_nameLabel, m_name);
    form->addRow(m_mailLabel, m_mail);
    layout->addLayout(form);
    const auto buttons = AddDialogButtons(*this, *layout);
    m_ok = buttons.ok;
    m_cancel = buttons.cancel;
    connect(m_ok, &QPushButton::clicked, this, &CVpubRegWithTessarinNetDlg::Ok);
    connect(&m_context.language, &CLanguageBinding::Changed, this, &CVpubRegWithTessarinNetDlg::Relabel);
    Relabel();
}

void CVpubRegWithTessarinNetDlg::Relabel() {
    const auto& texts = m_context.Texts();
    setWindowTitle(Text(texts, slot::kVpubRegTitle));
    m_prompt->setText(Text(texts, slot::kVpubRegPrompt));
    m_nameLabel->setText(Text(texts, slot::kVpubRegName));
    m_mailLabel->setText(Text(texts, slot::kVpubRegMail));
    m_ok->setText(Text(texts, slot::kCaptionOk));
    m_cancel->setText(Text(texts, slot::kCaptionCancel));
}

void CVpubRegWithTessarinNetDlg::Ok() {
    const auto name = m_name->text().trimmed().toStdString();
    const auto mail = m_mail->text().trimmed().toStdString();
    auto& core = m_context.core;
    if (const auto refusal = core.CheckRegistrationInput(name, mail); !refusal.empty()) {
        m_context.dialog.ShowMessage(refusal, MessageKind::Warning, {});
        return;
    }
    m_context.desktop.OpenUrl(QUrl(Qs(core.RegistrationPageUrl(name, mail)), QUrl::StrictMode));
    accept();
}

}  // namespace tessarin::gui
