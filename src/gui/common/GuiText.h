#pragma once
// Texts and paths at the edge between the core (UTF-8 std::string,
// std::filesystem::path) and Qt (QString).

#include <QString>
#include <filesystem>
#include <optional>
#include <string>

#include "core/LanguageTable.h"

class QAction;

namespace tessarin::gui {

inline QString Qs(const std::string& text) {
    return QString::fromStdString(text);
}
inline QString Qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The text of a table slot.
inline QString Text(const LanguageTable& texts, int slot) {
    return Qs(texts[slot]);
}

// A menu label of the table ("暗号化\tCtrl+&E"): the part before the tab
// becomes the action's text, the part after it its shortcut.
void SetMenuText(QAction& action, const std::string& label);

// A path as shown. Bytes that are not UTF-8 are shown as replacement marks;
// PathFromText of such a text is not the same file (see IsShowable).
QString PathText(const std::filesystem::path& path);
// The path a shown or chosen text names.
std::filesystem::path PathFromText(const QString& text);
// Whether the path's name survives the trip through a QString, so that a
// file chosen in a window is the file on disk.
bool IsShowable(const std::filesystem::path& path);

}  // namespace tessarin::gui
