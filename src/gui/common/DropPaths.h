#pragma once
// The local paths a drag from the file manager carries (text/uri-list), as
// the bytes it named: a name that is not UTF-8 reaches the window unchanged,
// so that it can be told apart instead of turning into another file's name.

#include <filesystem>
#include <vector>

class QMimeData;
class QUrl;

namespace tessarin::gui {

// The path of a file: URL; empty for any other URL.
std::filesystem::path PathOfUrl(const QUrl& url);
std::vector<std::filesystem::path> DroppedPaths(const QMimeData& data);
// Whether the drag carries at least one local path.
bool CarriesPaths(const QMimeData& data);

}  // namespace tessarin::gui
