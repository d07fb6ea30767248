#pragma once
// A message a window's own check shows (a range, an empty list), on the UI
// thread, with the window as the parent of the box.

#include <string>

#include "platform/UserDialog.h"

class QWidget;

namespace tessarin::gui {

struct GuiContext;

void ShowWindowMessage(GuiContext& context, QWidget* window, const std::string& text,
                       MessageKind kind = MessageKind::Warning);

}  // namespace tessarin::gui
