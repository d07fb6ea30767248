#include "app/WorkListBox.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <system_error>

namespace tessarin {

namespace fs = std::filesystem;

namespace {

// How many folder entries an expansion reads between two looks at `stop`.
constexpr int kEntriesPerStep = 64;
// Links followed before a chain counts as a loop.
constexpr int kMaxLinks = 40;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

void SortListing(std::vector<FolderEntry>& entries) {
    std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
        if (a.folder != b.folder) return a.folder;
        const auto an = a.path.filename().string();
        const auto bn = b.path.filename().string();
        const auto al = Lower(an);
        const auto bl = Lower(bn);
        return al != bl ? al < bl : an < bn;
    });
}

FolderListing Listing(const fs::path& folder, const std::function<bool(const FolderEntry&)>& take) {
    FolderListing out;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) {
        out.readable = false;
        return out;
    }
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        const std::string name = it->path().filename().string();
        if (name.empty() || name.front() == '.') continue;
        std::error_code kindError;
        FolderEntry entry{it->path(), it->is_directory(kindError)};
        if (!take(entry)) continue;
        if (!IsUtf8(name)) {
            ++out.unshowable;
            continue;
        }
        out.entries.push_back(std::move(entry));
    }
    SortListing(out.entries);
    return out;
}

}  // namespace

fs::path WorkListPath(const fs::path& path) {
    std::error_code ec;
    fs::path p = path.is_absolute() ? path : fs::absolute(path, ec);
    p = p.lexically_normal();
    if (!p.has_filename() && p != p.root_path()) p = p.parent_path();
    return p;
}

AddOutcome WorkListEntries::Add(const fs::path& path) {
    const fs::path p = WorkListPath(path);
    if (!m_keys.insert(p.string()).second) return AddOutcome::Duplicate;
    m_entries.push_back(p);
    return AddOutcome::Added;
}

std::size_t WorkListEntries::AddAll(const std::vector<fs::path>& paths) {
    std::size_t added = 0;
    for (const auto& p : paths)
        if (Add(p) == AddOutcome::Added) ++added;
    return added;
}

bool WorkListEntries::Contains(const fs::path& path) const {
    return m_keys.contains(WorkListPath(path).string());
}

void WorkListEntries::Remove(std::size_t index) {
    if (index >= m_entries.size()) return;
    m_keys.erase(m_entries[index].string());
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(index));
}

void WorkListEntries::Clear() {
    m_entries.clear();
    m_keys.clear();
}

WorkListExpansion ExpandWorkList(const std::vector<fs::path>& entries, const std::function<bool()>& stop) {
    WorkListExpansion out;
    const auto stopped = [&] {
        if (!out.cancelled && stop && stop()) out.cancelled = true;
        return out.cancelled;
    };
    for (const auto& entry : entries) {
        if (stopped()) break;
        std::error_code ec;
        if (!fs::is_directory(entry, ec)) {
            out.files.push_back(entry);
            continue;
        }
        out.folders.push_back(entry);
        fs::directory_iterator it(entry, ec);
        if (ec) {
            out.unreadable.push_back(entry);
            continue;
        }
        std::vector<fs::path> inside;
        int sinceLook = 0;
        for (; it != fs::directory_iterator(); it.increment(ec)) {
            if (ec) {
                out.unreadable.push_back(entry);
                break;
            }
            if (++sinceLook == kEntriesPerStep) {
                sinceLook = 0;
                if (stopped()) break;
            }
            std::error_code kindError;
            if (!fs::is_directory(it->symlink_status(kindError))) inside.push_back(it->path());
        }
        std::sort(inside.begin(), inside.end());
        out.files.insert(out.files.end(), inside.begin(), inside.end());
        if (out.cancelled) break;
    }
    return out;
}

std::optional<fs::path> DroppedPathTarget(const fs::path& path) {
    std::error_code ec;
    fs::path p = WorkListPath(path);
    for (int i = 0; i < kMaxLinks; ++i) {
        const auto status = fs::symlink_status(p, ec);
        if (ec || !fs::exists(status)) return std::nullopt;
        if (!fs::is_symlink(status)) return p;
        const fs::path target = fs::read_symlink(p, ec);
        if (ec) return std::nullopt;
        p = WorkListPath(target.is_absolute() ? target : p.parent_path() / target);
    }
    return std::nullopt;
}

bool IsUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        int more = 0;
        std::uint32_t code = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
            code = c & 0x1Fu;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            code = c & 0x0Fu;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            code = c & 0x07u;
        } else {
            return false;
        }
        if (i + static_cast<std::size_t>(more) >= text.size()) return false;
        for (int k = 1; k <= more; ++k) {
            const auto d = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((d & 0xC0u) != 0x80u) return false;
            code = (code << 6) | (d & 0x3Fu);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if ((more == 2 && code < 0x800) || (more == 3 && (code < 0x10000 || code > 0x10FFFF)) ||
            (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += static_cast<std::size_t>(more) + 1;
    }
    return true;
}

FolderListing ListFolder(const fs::path& folder, bool encryptedOnly) {
    return Listing(folder, [encryptedOnly](const FolderEntry& e) {
        return !encryptedOnly || (!e.folder && IsContainerName(e.path));
    });
}

FolderListing SubFolders(const fs::path& folder) {
    return Listing(folder, [](const FolderEntry& e) { return e.folder; });
}

bool IsContainerName(const fs::path& path) {
    const std::string name = Lower(path.filename().string());
    return name.size() > 4 && name.ends_with(".tza");
}

}  // namespace tessarin
