#pragma once
// A message box with a table text, formatted with one argument when given,
// and the paths such a message lists, one a line.

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/UserDialog.h"

namespace tessarin::gui {

struct GuiContext;

void ShowSlotMessage(GuiContext& context, int slot, MessageKind kind, const std::string& argument = {});

// At most `most` paths as shown, one a line.
std::string PathLines(const std::vector<std::filesystem::path>& paths, std::size_t most = 10);

}  // namespace tessarin::gui
