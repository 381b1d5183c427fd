#pragma once
// Mounted file systems as the kernel reports them (/proc/self/mountinfo, /sys/block), and what
// kind of drive each stands for.

#include <cstdint>
#include <string>
#include <vector>

namespace vantum::platform {

enum class DriveKind { None, Fixed, Network, Removable, CdRom, Ram };

struct MountEntry {
    std::string mountPoint;  // unescaped
    std::string fsType;      // "ext4", "nfs4", "fuse.sshfs", ...
    std::string source;      // "/dev/sda1", "server:/export", ...
    std::uint64_t device = 0;  // st_dev of the mounted root (major:minor of mountinfo)
};

// Every mount in mount order; empty when mountinfo cannot be read.
std::vector<MountEntry> ReadMounts();
// Parses mountinfo text (for tests and the reader above).
std::vector<MountEntry> ParseMountInfo(const std::string& text);

bool IsNetworkFileSystem(const std::string& fsType);
bool IsOpticalFileSystem(const std::string& fsType);
bool IsRamFileSystem(const std::string& fsType);
bool IsDiskFileSystem(const std::string& fsType);

// Kind of drive a mount stands for; removable devices are told by /sys/block.
DriveKind ClassifyMount(const MountEntry& m);

// The mount that holds path (longest mount point that is a prefix of it); null when none.
const MountEntry* MountOf(const std::vector<MountEntry>& mounts, const std::string& path);
// File-system type of the mount that holds path; empty when unknown.
std::string FileSystemTypeOf(const std::string& path);

// Fixed and network drives for "Scan all": one mount point per device (its first mount),
// in mount order.
std::vector<std::string> ListScanDriveMounts();
std::vector<std::string> ListScanDriveMounts(const std::vector<MountEntry>& mounts);

}  // namespace vantum::platform
