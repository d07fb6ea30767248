#include "gui/common/DialogButtons.h"

#include <QBoxLayout>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

namespace tessarin::gui {

DialogButtons AddDialogButtons(QDialog& dialog, QBoxLayout& layout) {
    auto* box = new QDialogButtonBox(&dialog);
    DialogButtons buttons;
    buttons.ok = box->addButton(QString(), QDialogButtonBox::AcceptRole);
    buttons.ok->setObjectName(QStringLiteral("ok"));
    buttons.ok->setDefault(true);
    buttons.cancel = box->addButton(QString(), QDialogButtonBox::RejectRole);
    buttons.cancel->setObjectName(QStringLiteral("cancel"));
    QObject::connect(buttons.cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    layout.addWidget(box);
    return buttons;
}

}  // namespace tessarin::gui
