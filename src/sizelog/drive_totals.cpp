#include "sizelog/drive_totals.h"

#include <sys/statvfs.h>

#include <cstdio>

namespace vantum::sizelog {

std::vector<std::string> ListFixedDrives() { return ListFixedDrives(platform::ReadMounts()); }

std::vector<std::string> ListFixedDrives(const std::vector<platform::MountEntry>& mounts) {
    // The drives of "Scan all" already count a device mounted twice (bind mounts, btrfs
    // sub-volumes) once and leave out mounts hidden under later ones; keep the fixed ones.
    std::vector<std::string> out;
    for (const std::string& point : platform::ListScanDriveMounts(mounts)) {
        const platform::MountEntry* visible = nullptr;
        for (const platform::MountEntry& m : mounts)
            if (m.mountPoint == point) visible = &m;
        if (visible && platform::ClassifyMount(*visible) == platform::DriveKind::Fixed) out.push_back(point);
    }
    return out;
}

std::optional<DriveSpace> QueryDriveSpace(const std::string& mountPoint) {
    struct statvfs st {};
    if (statvfs(mountPoint.c_str(), &st) != 0) return std::nullopt;
    std::uint64_t unit = st.f_frsize ? st.f_frsize : st.f_bsize;
    DriveSpace d;
    d.total = static_cast<std::uint64_t>(st.f_blocks) * unit;
    d.avail = static_cast<std::uint64_t>(st.f_bavail) * unit;
    return d;
}

DriveTotals MeasureDrives(const std::vector<std::string>& drives, const SpaceQuery& query) {
    DriveTotals t;
    for (const std::string& d : drives) {
        std::optional<DriveSpace> s = query(d);
        if (!s) {
            t.skipped.push_back(d);
            continue;
        }
        t.free += static_cast<std::int64_t>(s->avail);
        t.used += static_cast<std::int64_t>(s->used());
    }
    return t;
}

DriveTotals MeasureFixedDrives() { return MeasureDrives(ListFixedDrives()); }

std::int64_t TotalFreeSpace() { return MeasureFixedDrives().free; }
std::int64_t TotalUsedSpace() { return MeasureFixedDrives().used; }

std::optional<std::string> SpaceGain::Report(std::int64_t nowFree) {
    std::optional<std::int64_t> before = baseline_;
    baseline_ = nowFree;
    if (!before) return std::nullopt;
    double won = (static_cast<double>(nowFree) - static_cast<double>(*before)) / 1048576.0;
    if (won <= 1.0) return std::nullopt;
    return SpaceGainMessage(won);
}

std::string SpaceGainMessage(double megabytes) {
    // One decimal with thousands separators, at least six characters wide.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.1f", megabytes);
    std::string s = buf;
    std::size_t dot = s.find('.');
    std::size_t start = (s[0] == '-') ? 1 : 0;
    for (std::ptrdiff_t i = static_cast<std::ptrdiff_t>(dot) - 3; i > static_cast<std::ptrdiff_t>(start); i -= 3)
        s.insert(static_cast<std::size_t>(i), ",");
    if (s.size() < 6) s.insert(0, 6 - s.size(), ' ');
    return "Space recoverd in this session\n\rapproximately : " + s + " Mb";
}

}  // namespace vantum::sizelog
