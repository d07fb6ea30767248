#include "gui/common/GuiText.h"

#include <QAction>
#include <QKeySequence>

namespace tessarin::gui {

void SetMenuText(QAction& action, const std::string& label) {
    const auto text = Qs(label);
    const auto tab = text.indexOf(u'\t');
    if (tab < 0) {
        action.setText(text);
        return;
    }
    action.setText(text.left(tab));
    // "Ctrl+&E" names the key with a mnemonic mark of its own.
    auto keys = text.mid(tab + 1);
    keys.remove(u'&');
    action.setShortcut(QKeySequence(keys, QKeySequence::PortableText));
}

QString PathText(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

std::filesystem::path PathFromText(const QString& text) {
    return std::filesystem::path(text.toStdString());
}

bool IsShowable(const std::filesystem::path& path) {
    return PathFromText(PathText(path)) == path;
}

}  // namespace tessarin::gui
