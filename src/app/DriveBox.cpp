#include "app/DriveBox.h"

#include <system_error>

#include "app/WorkListBox.h"

namespace tessarin {

namespace fs = std::filesystem;

namespace {

bool IsFolder(const fs::path& path) {
    std::error_code ec;
    return !path.empty() && fs::is_directory(path, ec);
}

}  // namespace

const std::string& VolumeLabel(VolumeType type, const LanguageTable& texts) {
    switch (type) {
        case VolumeType::Removable:
            return texts[slot::kDriveRemovable];
        case VolumeType::Network:
            return texts[slot::kDriveNetwork];
        case VolumeType::Optical:
            return texts[slot::kDriveOptical];
        case VolumeType::Ram:
            return texts[slot::kDriveRam];
        case VolumeType::Fixed:
            break;
    }
    return texts[slot::kDriveFixed];
}

std::vector<DriveBoxEntry> DriveBoxEntries(const DrivePlaces& places, const LanguageTable& texts) {
    std::vector<DriveBoxEntry> out;
    if (IsFolder(places.desktop)) out.push_back({texts[slot::kDriveDesktop], WorkListPath(places.desktop)});
    for (const auto& volume : places.volumes) {
        if (!IsUtf8(volume.mountPoint.string())) continue;
        out.push_back({VolumeLabel(volume.type, texts) + "(" + volume.mountPoint.string() + ")", volume.mountPoint});
    }
    if (IsFolder(places.documents)) {
        const fs::path documents = WorkListPath(places.documents);
        out.push_back({texts[slot::kDriveDocuments], documents});
        for (const auto& folder : SubFolders(documents).entries)
            out.push_back({"    " + folder.path.filename().string(), folder.path});
    }
    return out;
}

}  // namespace tessarin
