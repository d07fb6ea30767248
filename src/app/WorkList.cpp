#include "app/WorkList.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <system_error>

namespace tessarin {

namespace fs = std::filesystem;

namespace {

bool EndsWithNoCase(const std::string& text, const std::string& tail) {
    if (text.size() < tail.size()) return false;
    return std::equal(
        tail.begin(), tail.end(), text.end() - static_cast<std::ptrdiff_t>(tail.size()), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
        });
}

}  // namespace

std::vector<fs::path> FilesBelowFolder(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        const fs::file_status st = it->symlink_status(ec);
        if (ec || !fs::is_regular_file(st)) continue;
        const std::string name = it->path().string();
        if (EndsWithNoCase(name, "desktop.ini") || EndsWithNoCase(name, "thumbs.db")) continue;
        files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<fs::path> ExpandSources(const std::vector<fs::path>& sources) {
    std::vector<fs::path> files;
    for (const auto& source : sources) {
        std::error_code ec;
        const fs::path p = fs::absolute(source, ec);
        if (fs::is_directory(fs::symlink_status(p, ec))) {
            const auto inside = FilesBelowFolder(p);
            files.insert(files.end(), inside.begin(), inside.end());
        } else {
            files.push_back(p);
        }
    }
    return files;
}

}  // namespace tessarin
