#include "app/SmallWindow.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <system_error>

#include "app/WorkListBox.h"

namespace tessarin {

namespace fs = std::filesystem;

namespace {

constexpr int kEntriesPerStep = 64;

bool EndsWithUpper(const fs::path& path, std::string_view tail) {
    std::string name = path.filename().string();
    if (name.size() < tail.size()) return false;
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return name.ends_with(tail);
}

bool SameFile(const fs::path& a, const fs::path& b) {
    if (b.empty()) return false;
    std::error_code ec;
    if (fs::equivalent(a, b, ec)) return true;
    return WorkListPath(a) == WorkListPath(b);
}

}  // namespace

std::size_t PathLength(const fs::path& path) {
    const std::string text = path.string();
    std::size_t count = 0;
    for (const char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0u) != 0x80u) ++count;
    return count;
}

SmallWindowDrop ClassifySmallWindowDrop(const std::vector<fs::path>& dropped, const fs::path& privateKey,
                                        const std::function<bool()>& stop) {
    SmallWindowDrop out;
    for (const auto& path : dropped) {
        if (PathLength(path) > kMaxDroppedPathLength) {
            out.tooLong.push_back(path);
            continue;
        }
        if (!IsUtf8(path.string())) {
            out.unshowable.push_back(path);
            continue;
        }
        const auto target = DroppedPathTarget(path);
        if (!target) {
            out.missing.push_back(path);
            continue;
        }
        if (SameFile(*target, privateKey)) {
            // The private key is never encrypted or sent anywhere with the
            // rest of a drop: the backup alone runs.
            SmallWindowDrop backup;
            backup.backupPrivateKey = true;
            return backup;
        }
        std::error_code ec;
        if (!fs::is_directory(*target, ec)) {
            if (EndsWithUpper(*target, ".TZA"))
                out.decrypt.push_back(*target);
            else if (EndsWithUpper(*target, ".VPUB"))
                out.registerKeys.push_back(*target);
            else
                out.encrypt.push_back(*target);
            continue;
        }
        fs::directory_iterator it(*target, ec);
        if (ec) {
            out.unreadable.push_back(*target);
            continue;
        }
        std::vector<fs::path> inside;
        int sinceLook = 0;
        for (; it != fs::directory_iterator(); it.increment(ec)) {
            if (ec) {
                out.unreadable.push_back(*target);
                break;
            }
            if (++sinceLook == kEntriesPerStep) {
                sinceLook = 0;
                if (stop && stop()) {
                    out.cancelled = true;
                    break;
                }
            }
            std::error_code kindError;
            if (!fs::is_directory(it->symlink_status(kindError))) inside.push_back(it->path());
        }
        std::sort(inside.begin(), inside.end());
        for (auto& file : inside) (EndsWithUpper(file, ".TZA") ? out.decrypt : out.encrypt).push_back(std::move(file));
        if (out.cancelled) break;
    }
    return out;
}

ScreenPoint SmallWindowPlace(int smallMenuPosition, const ScreenRect& workArea, int windowWidth, int windowHeight,
                             ScreenPoint last) {
    const int left = workArea.x;
    const int top = workArea.y;
    const int right = workArea.x + workArea.width - windowWidth;
    const int bottom = workArea.y + workArea.height - windowHeight;
    switch (smallMenuPosition) {
        case 1:
            return {left, top};
        case 2:
            return {right, top};
        case 3:
            return {left, bottom};
        case 4:
            return {right, bottom};
        default:
            return last;
    }
}

}  // namespace tessarin
