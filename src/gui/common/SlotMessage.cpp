#include "gui/common/SlotMessage.h"

#include "gui/common/GuiContext.h"
#include "gui/common/GuiText.h"

namespace tessarin::gui {

void ShowSlotMessage(GuiContext& context, int slot, MessageKind kind, const std::string& argument) {
    const auto& texts = context.Texts();
    const std::string text = argument.empty() ? texts[slot] : FormatText(texts[slot], {argument});
    context.dialog.ShowMessage(text, kind, {});
}

std::string PathLines(const std::vector<std::filesystem::path>& paths, std::size_t most) {
    std::string out;
    for (std::size_t i = 0; i < paths.size() && i < most; ++i) {
        if (i > 0) out += '\n';
        out += PathText(paths[i]).toStdString();
    }
    return out;
}

}  // namespace tessarin::gui
