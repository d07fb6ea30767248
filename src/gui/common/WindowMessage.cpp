#include "gui/common/WindowMessage.h"

#include <QPointer>

#include "gui/common/GuiContext.h"

namespace tessarin::gui {

void ShowWindowMessage(GuiContext& context, QWidget* window, const std::string& text, MessageKind kind) {
    const QPointer<QWidget> previous = context.dialog.Window();
    context.dialog.SetWindow(window);
    context.dialog.ShowMessage(text, kind, {});
    context.dialog.SetWindow(previous);
}

}  // namespace tessarin::gui
