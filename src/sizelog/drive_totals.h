#pragma once
// Free and used space summed over the fixed drives: the figures of the disk size log and of the
// space-gain report at close.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/mounts.h"

namespace vantum::sizelog {

// Mount points of the fixed drives in mount order, each device once (its first mount): network,
// removable, optical and RAM file systems and pseudo file systems are left out.
std::vector<std::string> ListFixedDrives();
std::vector<std::string> ListFixedDrives(const std::vector<platform::MountEntry>& mounts);

// One drive as statvfs reports it, in bytes.
struct DriveSpace {
    std::uint64_t total = 0;  // f_blocks * f_frsize
    std::uint64_t avail = 0;  // f_bavail * f_frsize: free to the current user
    std::uint64_t used() const { return total > avail ? total - avail : 0; }
};

// Queries one mount point; nothing when it cannot be queried.
using SpaceQuery = std::function<std::optional<DriveSpace>(const std::string& mountPoint)>;
std::optional<DriveSpace> QueryDriveSpace(const std::string& mountPoint);

struct DriveTotals {
    std::int64_t free = 0;  // bytes free to the user, summed
    std::int64_t used = 0;  // sizes minus free bytes, summed
    std::vector<std::string> skipped;  // drives that could not be queried: left out, not -1
};

// Sums over the given drives; a drive that cannot be queried is skipped and named.
DriveTotals MeasureDrives(const std::vector<std::string>& drives, const SpaceQuery& query = QueryDriveSpace);
DriveTotals MeasureFixedDrives();

std::int64_t TotalFreeSpace();
std::int64_t TotalUsedSpace();

// The free space measured at start-up (or when the log was last opened), and the message at
// close when more than 1 MB was won since.
class SpaceGain {
public:
    // Records the free bytes as the new baseline.
    void SetBaseline(std::int64_t freeBytes) { baseline_ = freeBytes; }
    std::optional<std::int64_t> Baseline() const { return baseline_; }
    // The message for the free bytes now, or nothing (no baseline, a fall or at most 1 MB);
    // the baseline moves to nowFree in any case.
    std::optional<std::string> Report(std::int64_t nowFree);

private:
    std::optional<std::int64_t> baseline_;
};

// "Space recoverd in this session\n\rapproximately : %6.1n Mb" for the megabytes won.
std::string SpaceGainMessage(double megabytes);

}  // namespace vantum::sizelog
