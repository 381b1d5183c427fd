#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

#include "sizelog/drive_totals.h"

using namespace vantum::sizelog;
using vantum::platform::ParseMountInfo;

namespace {

std::string Run(const std::string& cmd) {
    std::string out;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
    return out;
}

// df's size and avail for one mount point, or false.
bool DfSizeAvail(const std::string& mount, std::int64_t& size, std::int64_t& avail) {
    std::string out = Run("df -B1 --output=size,avail '" + mount + "' 2>/dev/null | tail -n 1");
    return std::sscanf(out.c_str(), "%ld %ld", &size, &avail) == 2;
}

}  // namespace

TEST(DriveTotals, FixedDrivesOncePerDeviceWithoutNetworkRamOrHiddenMounts) {
    auto mounts = ParseMountInfo(
        "22 1 253:1 / / rw - ext4 /dev/vda1 rw\n"
        "23 22 0:21 / /proc rw - proc proc rw\n"
        "25 22 253:2 / /home rw - xfs /dev/vda2 rw\n"
        "26 22 0:40 / /mnt/share rw - nfs4 server:/export rw\n"
        "27 22 0:41 / /run/user/1000 rw - tmpfs tmpfs rw\n"
        "29 22 253:2 /sub /srv/bind rw - xfs /dev/vda2 rw\n"          // bind mount of /home's device
        "30 22 253:4 /@snap /snap rw - btrfs /dev/vda4 rw\n"
        "31 22 253:4 /@data /data rw - btrfs /dev/vda4 rw\n"           // second sub-volume
        "32 22 253:5 / /mnt/old rw - ext4 /dev/vda5 rw\n"
        "33 22 253:6 / /mnt rw - ext4 /dev/vda6 rw\n");                // hides /mnt/old
    EXPECT_EQ(ListFixedDrives(mounts), (std::vector<std::string>{"/", "/home", "/snap", "/mnt"}));
}

TEST(DriveTotals, DriveThatCannotBeQueriedIsSkippedNotCountedAsMinusOne) {
    std::map<std::string, DriveSpace> known{{"/a", {1000, 400}}, {"/b", {5000, 1000}}};
    auto query = [&](const std::string& d) -> std::optional<DriveSpace> {
        auto it = known.find(d);
        if (it == known.end()) return std::nullopt;
        return it->second;
    };
    DriveTotals t = MeasureDrives({"/a", "/gone", "/b"}, query);
    EXPECT_EQ(t.free, 1400);
    EXPECT_EQ(t.used, 600 + 4000);
    EXPECT_EQ(t.skipped, (std::vector<std::string>{"/gone"}));

    // The real query on a mount point that is no longer there.
    DriveTotals real = MeasureDrives({"/nonexistent/vantum-mount"});
    EXPECT_EQ(real.free, 0);
    EXPECT_EQ(real.used, 0);
    EXPECT_EQ(real.skipped.size(), 1u);
}

TEST(DriveTotals, TotalsEqualDfOverTheSameFileSystems) {
    std::vector<std::string> drives = ListFixedDrives();
    // A container on an overlay root has no fixed drive: the sum is then checked on "/".
    if (drives.empty()) drives = {"/"};
    // Other processes write while we measure: df is compared with our readings taken just before
    // and just after it, until the three agree or df lies between two readings that moved.
    auto between = [](std::int64_t x, std::int64_t a, std::int64_t b) {
        return std::min(a, b) <= x && x <= std::max(a, b);
    };
    std::int64_t dfFree = 0, dfUsed = 0;
    for (const std::string& d : drives) {
        bool agreed = false;
        for (int attempt = 0; attempt < 200 && !agreed; ++attempt) {
            DriveTotals before = MeasureDrives({d});
            std::int64_t size = 0, avail = 0;
            ASSERT_TRUE(DfSizeAvail(d, size, avail)) << d;
            DriveTotals after = MeasureDrives({d});
            ASSERT_TRUE(before.skipped.empty() && after.skipped.empty()) << d;
            agreed = between(avail, before.free, after.free) && between(size - avail, before.used, after.used) &&
                     (before.free != after.free || avail == before.free);
            if (agreed) {
                dfFree += avail;
                dfUsed += size - avail;
            }
        }
        EXPECT_TRUE(agreed) << d << ": statvfs and df never agreed";
    }
    DriveTotals all = MeasureDrives(drives);
    EXPECT_TRUE(all.skipped.empty());
    // The sums are made of the same per-drive figures (allowing for what was written meanwhile).
    EXPECT_NEAR(static_cast<double>(all.free), static_cast<double>(dfFree), 256.0 * 1048576);
    EXPECT_NEAR(static_cast<double>(all.free + all.used), static_cast<double>(dfFree + dfUsed), 0.0)
        << "sizes do not change while writing";
}

TEST(DriveTotals, SpaceGainReportsOnlyARiseAboveOneMegabyte) {
    const std::int64_t mb = 1048576;
    SpaceGain g;
    EXPECT_FALSE(g.Report(100 * mb)) << "no baseline yet";
    g.SetBaseline(100 * mb);
    EXPECT_FALSE(g.Report(100 * mb + mb * 9 / 10)) << "0.9 MB";
    g.SetBaseline(100 * mb);
    auto msg = g.Report(100 * mb + mb * 3 / 2);
    ASSERT_TRUE(msg);
    EXPECT_EQ(*msg, "Space recoverd in this session\n\rapproximately :    1.5 Mb");
    EXPECT_EQ(g.Baseline(), 100 * mb + mb * 3 / 2) << "the baseline moves to the new figure";
    EXPECT_FALSE(g.Report(50 * mb)) << "a fall is never shown";
    EXPECT_EQ(SpaceGainMessage(1234567.25), "Space recoverd in this session\n\rapproximately : 1,234,567.2 Mb");
}
