// The mount table read into the drive box's volumes: every kind of drive,
// the kernel's own file systems left out, escapes in names, mounts over
// mounts, and the disks a probe says are removable.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "VectorFile.h"
#include "platform/Volumes.h"

namespace tessarin::test {
namespace {

std::string ReadText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(Volumes, MountTableGivesEachUserVolumeWithItsKind) {
    std::set<std::string> probed;
    const auto removable = [&](const std::string& device) {
        probed.insert(device);
        return device == "sdd1";
    };
    const auto volumes = ParseMountTable(ReadText(TestDataPath("platform/mounts.txt")), removable);
    struct Expected {
        const char* mountPoint;
        VolumeType type;
        const char* device;
    };
    const std::vector<Expected> expected = {
        {"/", VolumeType::Fixed, "/dev/nvme0n1p2"},
        {"/home", VolumeType::Fixed, "/dev/nvme0n1p3"},
        {"/home/taro/remote", VolumeType::Network, "taro@host:/srv"},
        {"/media/taro/DISC", VolumeType::Optical, "/dev/sr0"},
        {"/mnt/backup", VolumeType::Fixed, "/dev/sdc1"},
        {"/mnt/camera", VolumeType::Removable, "/dev/sdd1"},
        {"/mnt/nas", VolumeType::Network, "//nas/share"},
        {"/mnt/old", VolumeType::Ram, "tmpfs"},
        {"/mnt/photos", VolumeType::Network, "nas:/export/photos"},
        {"/run/media/taro/USB STICK", VolumeType::Removable, "/dev/sdb1"},
        {"/tmp", VolumeType::Ram, "tmpfs"},
    };
    ASSERT_EQ(volumes.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].mountPoint);
        EXPECT_EQ(volumes[i].mountPoint, std::filesystem::path(expected[i].mountPoint));
        EXPECT_EQ(volumes[i].type, expected[i].type);
        EXPECT_EQ(volumes[i].device, expected[i].device);
    }
    // Only block devices are asked about.
    for (const auto& device : probed) EXPECT_EQ(device.find('/'), std::string::npos) << device;
    EXPECT_TRUE(probed.contains("sdc1"));
}

TEST(Volumes, BrokenLinesAndRelativeMountPointsAreSkipped) {
    const auto volumes = ParseMountTable(
        "garbage\n/dev/sda1\n/dev/sda2 relative ext4 rw 0 0\n\n"
        "/dev/sda3 /data\\134old ext4 rw 0 0\n/dev/sda4 /x\\04 ext4 rw 0 0\n",
        {});
    ASSERT_EQ(volumes.size(), 2u);
    EXPECT_EQ(volumes[0].mountPoint, std::filesystem::path("/data\\old"));
    EXPECT_EQ(volumes[1].mountPoint, std::filesystem::path("/x\\04"));
}

TEST(Volumes, TheRunningSystemListsItsRootAndNoKernelFileSystem) {
    const auto volumes = MountedVolumes();
    for (const auto& v : volumes) {
        EXPECT_NE(v.fileSystem, "proc");
        EXPECT_NE(v.fileSystem, "sysfs");
        EXPECT_NE(v.fileSystem, "cgroup2");
        EXPECT_TRUE(std::filesystem::is_directory(v.mountPoint)) << v.mountPoint;
    }
    EXPECT_FALSE(IsRemovableBlockDevice("../../etc/passwd"));
    EXPECT_FALSE(IsRemovableBlockDevice("no-such-device"));
}

}  // namespace
}  // namespace tessarin::test
