#include "gui/encrypt/CEncryptOptionBox.h"

#include <QCheckBox>
#include <QVBoxLayout>

#include "gui/common/GuiContext.h"
#include "gui/common/GuiText.h"

namespace tessarin::gui {

CEncryptOptionBox::CEncryptOptionBox(GuiContext& context, QWidget* parent) : QGroupBox(parent), m_context(context) {
    setObjectName(QStringLiteral("options"));
    auto* layout = new QVBoxLayout(this);
    const auto add = [&](const char* name) {
        auto* box = new QCheckBox(this);
        box->setObjectName(QString::fromLatin1(name));
        layout->addWidget(box);
        return box;
    };
    m_withoutMyAddress = add("withoutMyAddress");
    m_manageLogs = add("manageLogs");
    m_deleteSource = add("deleteSource");
    m_sendByMail = add("sendByMail");
    Relabel();
}

void CEncryptOptionBox::Relabel() {
    const auto& texts = m_context.Texts();
    setTitle(Text(texts, slot::kOptionsGroup));
    m_withoutMyAddress->setText(Text(texts, slot::kWithoutMyAddress));
    m_manageLogs->setText(Text(texts, slot::kManageLogs));
    m_deleteSource->setText(Text(texts, slot::kDeleteSourceOption));
    m_sendByMail->setText(Text(texts, slot::kSendByMailOption));
}

void CEncryptOptionBox::Set(const EncryptOptions& options) {
    m_withoutMyAddress->setChecked(options.withoutMyAddress);
    m_manageLogs->setChecked(options.manageLogs);
    m_deleteSource->setChecked(options.deleteSource);
    m_sendByMail->setChecked(options.sendByMail);
}

void CEncryptOptionBox::Apply(EncryptOptions& options) const {
    options.withoutMyAddress = m_withoutMyAddress->isChecked();
    options.manageLogs = m_manageLogs->isChecked();
    options.deleteSource = m_deleteSource->isChecked();
    options.sendByMail = m_sendByMail->isChecked();
}

}  // namespace tessarin::gui
