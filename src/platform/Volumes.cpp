#include "platform/Volumes.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

namespace tessarin {

namespace fs = std::filesystem;

namespace {

// File systems of the kernel and the desktop's services: nothing a user keeps
// files on.
constexpr std::array<std::string_view, 27> kPseudoFileSystems = {
    "proc",      "sysfs",  "devtmpfs",        "devpts",      "securityfs",    "cgroup",     "cgroup2",
    "pstore",    "bpf",    "debugfs",         "tracefs",     "configfs",      "fusectl",    "mqueue",
    "hugetlbfs", "autofs", "binfmt_misc",     "rpc_pipefs",  "nsfs",          "efivarfs",   "selinuxfs",
    "squashfs",  "nfsd",   "fuse.gvfsd-fuse", "fuse.portal", "fuse.snapfuse", "fuse.lxcfs",
};

constexpr std::array<std::string_view, 16> kNetworkFileSystems = {
    "nfs", "nfs4",      "cifs",  "smb3",       "smbfs",       "ncpfs",     "afs",   "ceph",
    "9p",  "glusterfs", "davfs", "fuse.sshfs", "fuse.rclone", "fuse.s3fs", "sshfs", "fuse.davfs2",
};

// Folders below which the system mounts its own things.
constexpr std::array<std::string_view, 8> kSystemTrees = {
    "/proc", "/sys", "/dev", "/run", "/snap", "/var/lib/docker", "/var/snap", "/boot",
};

bool Contains(const auto& list, std::string_view value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool IsBelow(std::string_view path, std::string_view tree) {
    return path == tree || (StartsWith(path, tree) && path.size() > tree.size() && path[tree.size()] == '/');
}

// "\040" and the like, as the kernel writes blanks and backslashes in names.
std::string Unescape(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() &&
            std::all_of(field.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                        field.begin() + static_cast<std::ptrdiff_t>(i) + 4,
                        [](char c) { return c >= '0' && c <= '7'; })) {
            out.push_back(
                static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0')));
            i += 3;
        } else {
            out.push_back(field[i]);
        }
    }
    return out;
}

bool IsShownMountPoint(std::string_view mountPoint) {
    if (IsBelow(mountPoint, "/run/media")) return true;
    return std::none_of(kSystemTrees.begin(), kSystemTrees.end(),
                        [&](std::string_view tree) { return IsBelow(mountPoint, tree); });
}

VolumeType TypeOf(const std::string& device, const std::string& fileSystem, std::string_view mountPoint,
                  const RemovableProbe& removable) {
    if (Contains(kNetworkFileSystems, fileSystem) || StartsWith(device, "//")) return VolumeType::Network;
    if (fileSystem == "iso9660" || fileSystem == "udf" || StartsWith(device, "/dev/sr") ||
        StartsWith(device, "/dev/cdrom"))
        return VolumeType::Optical;
    if (fileSystem == "tmpfs" || fileSystem == "ramfs" || StartsWith(device, "/dev/zram")) return VolumeType::Ram;
    if (IsBelow(mountPoint, "/media") || IsBelow(mountPoint, "/run/media")) return VolumeType::Removable;
    if (StartsWith(device, "/dev/") && removable && removable(device.substr(5))) return VolumeType::Removable;
    return VolumeType::Fixed;
}

std::string ReadSmallFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::vector<Volume> ParseMountTable(std::string_view table, const RemovableProbe& removable) {
    std::vector<Volume> out;
    std::istringstream lines{std::string(table)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string device, mountPoint, fileSystem;
        if (!(fields >> device >> mountPoint >> fileSystem)) continue;
        device = Unescape(device);
        mountPoint = Unescape(mountPoint);
        if (mountPoint.empty() || mountPoint.front() != '/') continue;
        if (Contains(kPseudoFileSystems, fileSystem) || !IsShownMountPoint(mountPoint)) {
            // A system mount over a shown one hides it.
            std::erase_if(out, [&](const Volume& v) { return v.mountPoint == mountPoint; });
            continue;
        }
        Volume volume{mountPoint, device, fileSystem, TypeOf(device, fileSystem, mountPoint, removable)};
        auto same = std::find_if(out.begin(), out.end(), [&](const Volume& v) { return v.mountPoint == mountPoint; });
        if (same != out.end())
            *same = std::move(volume);
        else
            out.push_back(std::move(volume));
    }
    std::sort(out.begin(), out.end(), [](const Volume& a, const Volume& b) { return a.mountPoint < b.mountPoint; });
    return out;
}

bool IsRemovableBlockDevice(const std::string& device) {
    if (device.empty() || device.find("..") != std::string::npos) return false;
    std::error_code ec;
    // /dev/disk/by-label/... and the like name the device through a link.
    const fs::path node = fs::canonical(fs::path("/dev") / device, ec);
    const std::string name = ec ? device : node.filename().string();
    fs::path block = fs::canonical(fs::path("/sys/class/block") / name, ec);
    if (ec) return false;
    if (fs::exists(block / "partition", ec)) block = block.parent_path();
    const std::string flag = ReadSmallFile(block / "removable");
    return !flag.empty() && flag.front() == '1';
}

std::vector<Volume> MountedVolumes() {
    auto volumes = ParseMountTable(ReadSmallFile("/proc/self/mounts"), IsRemovableBlockDevice);
    std::erase_if(volumes, [](const Volume& v) {
        std::error_code ec;
        return !fs::is_directory(v.mountPoint, ec);
    });
    return volumes;
}

}  // namespace tessarin
