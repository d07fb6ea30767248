#pragma once
// The sources of an encryption as files: a file stands for itself, a folder
// for every file below it. The one folder walk every front end uses.

#include <filesystem>
#include <vector>

namespace tessarin {

// Files below folder, depth first in name order: regular files only
// (symbolic links, devices and pipes are left out, as are the shell's
// "desktop.ini" and "thumbs.db"); folders that cannot be read are skipped.
std::vector<std::filesystem::path> FilesBelowFolder(const std::filesystem::path& folder);

// Each source made absolute; a folder (not a link to one) is replaced by
// FilesBelowFolder.
std::vector<std::filesystem::path> ExpandSources(const std::vector<std::filesystem::path>& sources);

}  // namespace tessarin
