#include "gui/main/CVantrelDialogMini.h"

#include "gui/common/GuiContext.h"
#include "gui/common/GuiText.h"

namespace tessarin::gui {

CVantrelDialogMini::CVantrelDialogMini(GuiContext& context, QWidget* parent) : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("CVantrelDialogMini"));
    Relabel();
}

void CVantrelDialogMini::Relabel() {
    setWindowTitle(Text(m_context.Texts(), slot::kProductName));
}

}  // namespace tessarin::gui
