#include <gtest/gtest.h>

#include "platform/mounts.h"

using namespace vantum::platform;

namespace {

const char* kMountInfo =
    "22 1 253:1 / / rw,relatime shared:1 - ext4 /dev/vda1 rw\n"
    "23 22 0:21 / /proc rw,nosuid - proc proc rw\n"
    "24 22 0:5 / /dev rw - devtmpfs udev rw\n"
    "25 22 253:2 / /home rw,relatime shared:2 - xfs /dev/vda2 rw\n"
    "26 22 0:40 / /mnt/share rw - nfs4 server:/export rw\n"
    "27 22 0:41 / /run/user/1000 rw - tmpfs tmpfs rw\n"
    "28 22 11:0 / /media/cd ro - iso9660 /dev/sr0 ro\n"
    "29 22 253:2 /sub /srv/bind rw - xfs /dev/vda2 rw\n"
    "30 22 0:42 / /snap/core ro - squashfs /dev/loop0 ro\n"
    "31 22 253:3 / /mnt/my\\040disk rw - ext4 /dev/vda3 rw\n"
    "32 22 0:43 / /mnt/remote rw - fuse.sshfs me@host:/ rw\n"
    "garbage line\n";

}  // namespace

TEST(Mounts, ParsesMountInfo) {
    auto m = ParseMountInfo(kMountInfo);
    ASSERT_EQ(m.size(), 11u) << "a malformed line is skipped";
    EXPECT_EQ(m[0].mountPoint, "/");
    EXPECT_EQ(m[0].fsType, "ext4");
    EXPECT_EQ(m[4].source, "server:/export");
    EXPECT_EQ(m[9].mountPoint, "/mnt/my disk") << "octal escapes are decoded";
    EXPECT_NE(m[0].device, m[3].device);
    EXPECT_EQ(m[3].device, m[7].device);
}

TEST(Mounts, ScanDrivesAreFixedAndNetworkOncePerDeviceInMountOrder) {
    auto m = ParseMountInfo(kMountInfo);
    EXPECT_EQ(ClassifyMount(m[1]), DriveKind::None);
    EXPECT_EQ(ClassifyMount(m[4]), DriveKind::Network);
    EXPECT_EQ(ClassifyMount(m[5]), DriveKind::Ram);
    EXPECT_EQ(ClassifyMount(m[6]), DriveKind::CdRom);
    EXPECT_EQ(ClassifyMount(m[8]), DriveKind::None);
    EXPECT_EQ(ListScanDriveMounts(m),
              (std::vector<std::string>{"/", "/home", "/mnt/share", "/mnt/my disk", "/mnt/remote"}));
}

TEST(Mounts, MountOfAPath) {
    auto m = ParseMountInfo(kMountInfo);
    EXPECT_EQ(MountOf(m, "/home/user/x")->mountPoint, "/home");
    EXPECT_EQ(MountOf(m, "/homework")->mountPoint, "/") << "a prefix must end at a separator";
    EXPECT_EQ(MountOf(m, "/mnt/share")->fsType, "nfs4");
    EXPECT_EQ(MountOf({}, "/x"), nullptr);
    EXPECT_FALSE(ReadMounts().empty()) << "this machine's own mount table reads";
}

TEST(Mounts, ACoveredFirstMountGivesWayToAVisibleOne) {
    // /data is mounted, then hidden by a second file system on the same point; the first
    // device stays reachable through its bind mount at /srv/data.
    const std::string info =
        "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
        "2 1 8:17 / /data rw - ext4 /dev/sdb1 rw\n"
        "3 1 8:17 / /srv/data rw - ext4 /dev/sdb1 rw\n"
        "4 2 8:33 / /data rw - xfs /dev/sdc1 rw\n";
    EXPECT_EQ(ListScanDriveMounts(ParseMountInfo(info)), (std::vector<std::string>{"/", "/srv/data", "/data"}));
}
