#pragma once
// The work list ("Cipher Studio") without its widget: the entries gathered
// for the next command, each path at most once, and how a command expands
// them; plus the browsing rules of the work area's folder tree and file list.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace tessarin {

// The work list expanded for a command: each entry in list order, a file as
// itself, a folder as itself in `folders` plus each entry directly inside it
// that is not a folder in `files`.
struct WorkListExpansion {
    std::vector<std::filesystem::path> files;
    std::vector<std::filesystem::path> folders;
    bool cancelled = false;
    // Folders of the list whose entries could not be read.
    std::vector<std::filesystem::path> unreadable;
};

enum class AddOutcome { Added, Duplicate };

class WorkListEntries final {
public:
    // Appends the path unless the list holds it already. Paths are compared
    // exactly (file names differ by case here) after dropping "." parts and a
    // trailing separator.
    AddOutcome Add(const std::filesystem::path& path);
    // Appends each new path at once; returns how many were new.
    std::size_t AddAll(const std::vector<std::filesystem::path>& paths);
    bool Contains(const std::filesystem::path& path) const;
    void Remove(std::size_t index);
    void Clear();

    const std::vector<std::filesystem::path>& Entries() const { return m_entries; }
    std::size_t Size() const { return m_entries.size(); }

private:
    std::vector<std::filesystem::path> m_entries;
    std::unordered_set<std::string> m_keys;
};

// The path as the work list keeps it.
std::filesystem::path WorkListPath(const std::filesystem::path& path);

// Expansion before a command: for each entry, a folder goes to `folders`
// followed by the entries directly inside it (not below, nothing skipped) in
// name order; anything else goes to `files`. `stop` is asked before each
// entry and after every few folder entries (the caller keeps its window
// alive there); when it answers true the expansion ends with what it has.
WorkListExpansion ExpandWorkList(const std::vector<std::filesystem::path>& entries,
                                 const std::function<bool()>& stop = {});

// A path dropped on the work list: a symbolic link stands for what it points
// to (followed to the end of a chain of links). Empty when the link leads
// nowhere, or the path does not exist.
std::optional<std::filesystem::path> DroppedPathTarget(const std::filesystem::path& path);

// Whether the bytes are UTF-8, so that a name can be shown and chosen.
bool IsUtf8(std::string_view text);

// ---- Browsing ---------------------------------------------------------------

struct FolderEntry {
    std::filesystem::path path;
    bool folder = false;
};

struct FolderListing {
    std::vector<FolderEntry> entries;  // folders first, each part by name
    bool readable = true;              // false: the folder could not be opened
    std::size_t unshowable = 0;        // names that are not UTF-8, left out
};

// The file list of a folder: hidden entries (names starting with '.') are
// left out; with encryptedOnly only files whose name ends in ".tza" (any
// case), and no folders.
FolderListing ListFolder(const std::filesystem::path& folder, bool encryptedOnly);
// The folder tree's children of a folder: its folders, as ListFolder has them.
FolderListing SubFolders(const std::filesystem::path& folder);

// Whether the name ends in ".tza", in any case.
bool IsContainerName(const std::filesystem::path& path);

}  // namespace tessarin
