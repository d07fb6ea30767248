#include "gui/common/DropPaths.h"

#include <QMimeData>
#include <QUrl>
#include <algorithm>

namespace tessarin::gui {

std::filesystem::path PathOfUrl(const QUrl& url) {
    if (!url.isLocalFile()) return {};
    // The encoded form keeps bytes that are not UTF-8 as %XX.
    const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    return std::filesystem::path(bytes.toStdString());
}

std::vector<std::filesystem::path> DroppedPaths(const QMimeData& data) {
    std::vector<std::filesystem::path> out;
    if (!data.hasUrls()) return out;
    const auto urls = data.urls();
    out.reserve(static_cast<std::size_t>(urls.size()));
    for (const auto& url : urls)
        if (auto path = PathOfUrl(url); !path.empty()) out.push_back(std::move(path));
    return out;
}

bool CarriesPaths(const QMimeData& data) {
    if (!data.hasUrls()) return false;
    const auto urls = data.urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

}  // namespace tessarin::gui
