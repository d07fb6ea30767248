#pragma once
// The mounted volumes a user browses: the mount table read into entries with
// the kind of drive each one is. Kernel and system file systems (proc, sysfs,
// cgroups, the run-time folders, snap images) are left out.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tessarin {

enum class VolumeType { Removable, Fixed, Network, Optical, Ram };

struct Volume {
    std::filesystem::path mountPoint;
    std::string device;
    std::string fileSystem;
    VolumeType type = VolumeType::Fixed;
};

// Whether a block device (a name below /dev, "sdb1") sits on removable media.
using RemovableProbe = std::function<bool(const std::string& device)>;

// The volumes of a mount table in /proc/self/mounts form ("device mount-point
// type options dump pass" per line, "\040"-style escapes in the names), in
// mount point order. A mount point mounted over keeps its last entry.
std::vector<Volume> ParseMountTable(std::string_view table, const RemovableProbe& removable);

// /sys/block/<disk>/removable of the disk a device name belongs to ("sdb1" →
// sdb, "mmcblk0p1" → mmcblk0, "nvme0n1p2" → nvme0n1).
bool IsRemovableBlockDevice(const std::string& device);

// The volumes mounted now whose mount point is a folder.
std::vector<Volume> MountedVolumes();

}  // namespace tessarin
