#pragma once
// The drive box of the work area: the desktop folder, the mounted volumes
// with the label of their kind, and the documents folder followed by each
// folder directly inside it.

#include <filesystem>
#include <string>
#include <vector>

#include "core/LanguageTable.h"
#include "platform/Volumes.h"

namespace tessarin {

struct DriveBoxEntry {
    std::string text;
    std::filesystem::path folder;
};

// Where the drive box looks; empty or missing folders are left out.
struct DrivePlaces {
    std::filesystem::path desktop;
    std::filesystem::path documents;
    std::vector<Volume> volumes;
};

// In this order: "デスクトップ"; each volume as its kind's label followed
// by its mount point in parentheses; "マイドキュメント" and its folders
// (indented, hidden ones left out).
std::vector<DriveBoxEntry> DriveBoxEntries(const DrivePlaces& places, const LanguageTable& texts);

// The label of a kind of volume.
const std::string& VolumeLabel(VolumeType type, const LanguageTable& texts);

}  // namespace tessarin
