#include "platform/mounts.h"

#include <sys/sysmacros.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <set>
#include <sstream>
#include <string_view>

namespace vantum::platform {

namespace {

// mountinfo escapes space, tab, newline and backslash as \ooo.
std::string Unescape(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '3' && s[i + 2] >= '0' && s[i + 2] <= '7' && s[i + 3] >= '0' &&
            s[i + 3] <= '7') {
            out += static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

bool In(const std::string& v, std::initializer_list<std::string_view> list) {
    return std::find(list.begin(), list.end(), v) != list.end();
}

std::string ReadSmallFile(const std::string& path) {
    std::ifstream in(path);
    std::string s;
    std::getline(in, s);
    return s;
}

// Block device name below /sys/block for a device number: the whole disk for a partition.
std::string SysBlockDir(std::uint64_t dev) {
    std::string link = "/sys/dev/block/" + std::to_string(major(dev)) + ":" + std::to_string(minor(dev));
    std::array<char, 4096> buf{};
    std::string resolved;
    if (char* r = ::realpath(link.c_str(), buf.data())) resolved = r;
    if (resolved.empty()) return {};
    // A partition's folder holds a "partition" file; its disk is the parent folder.
    std::ifstream part(resolved + "/partition");
    if (part) resolved = resolved.substr(0, resolved.rfind('/'));
    return resolved;
}

}  // namespace

std::vector<MountEntry> ParseMountInfo(const std::string& text) {
    std::vector<MountEntry> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        // id parent major:minor root mountpoint options [optional...] - fstype source superopts
        std::istringstream f(line);
        std::string id, parent, majmin, root, point, opts;
        if (!(f >> id >> parent >> majmin >> root >> point >> opts)) continue;
        std::string tok;
        while (f >> tok && tok != "-") {
        }
        if (tok != "-") continue;
        MountEntry m;
        if (!(f >> m.fsType)) continue;
        f >> m.source;
        m.mountPoint = Unescape(point);
        m.source = Unescape(m.source);
        unsigned maj = 0, min = 0;
        if (std::sscanf(majmin.c_str(), "%u:%u", &maj, &min) == 2) m.device = makedev(maj, min);
        out.push_back(std::move(m));
    }
    return out;
}

std::vector<MountEntry> ReadMounts() {
    std::ifstream in("/proc/self/mountinfo");
    if (!in) return {};
    std::stringstream s;
    s << in.rdbuf();
    return ParseMountInfo(s.str());
}

bool IsNetworkFileSystem(const std::string& t) {
    return In(t, {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "sshfs", "9p", "ceph", "glusterfs",
                  "fuse.glusterfs", "afs", "ncpfs", "fuse.rclone", "davfs", "fuse.davfs2", "lustre", "beegfs"});
}

bool IsOpticalFileSystem(const std::string& t) { return In(t, {"iso9660", "udf"}); }

bool IsRamFileSystem(const std::string& t) { return In(t, {"tmpfs", "ramfs"}); }

bool IsDiskFileSystem(const std::string& t) {
    return In(t, {"ext2", "ext3", "ext4", "xfs", "btrfs", "f2fs", "jfs", "zfs", "reiserfs", "ntfs", "ntfs3",
                  "fuseblk", "vfat", "msdos", "exfat", "hfs", "hfsplus", "apfs", "nilfs2", "bcachefs", "ufs"});
}

DriveKind ClassifyMount(const MountEntry& m) {
    if (IsNetworkFileSystem(m.fsType)) return DriveKind::Network;
    if (IsRamFileSystem(m.fsType)) return DriveKind::Ram;
    bool optical = IsOpticalFileSystem(m.fsType);
    if (!optical && !IsDiskFileSystem(m.fsType)) return DriveKind::None;
    std::string sys = SysBlockDir(m.device);
    std::string name = sys.substr(sys.rfind('/') + 1);
    if (optical && name.rfind("sr", 0) == 0) return DriveKind::CdRom;
    if (optical) return DriveKind::CdRom;
    if (!sys.empty()) {
        if (ReadSmallFile(sys + "/removable") == "1") return DriveKind::Removable;
        if (sys.find("/usb") != std::string::npos) return DriveKind::Removable;
    }
    return DriveKind::Fixed;
}

const MountEntry* MountOf(const std::vector<MountEntry>& mounts, const std::string& path) {
    const MountEntry* best = nullptr;
    for (const auto& m : mounts) {
        const std::string& p = m.mountPoint;
        bool prefix = path.compare(0, p.size(), p) == 0 &&
                      (path.size() == p.size() || p == "/" || path[p.size()] == '/');
        // Later mounts over the same point hide earlier ones: take the last of equal length.
        if (prefix && (!best || p.size() >= best->mountPoint.size())) best = &m;
    }
    return best;
}

std::string FileSystemTypeOf(const std::string& path) {
    auto mounts = ReadMounts();
    const MountEntry* m = MountOf(mounts, path);
    return m ? m->fsType : std::string();
}

std::vector<std::string> ListScanDriveMounts() { return ListScanDriveMounts(ReadMounts()); }

std::vector<std::string> ListScanDriveMounts(const std::vector<MountEntry>& mounts) {
    // A mount is hidden by any later mount on its mount point or on a folder above it.
    auto covered = [&](size_t i) {
        const std::string& p = mounts[i].mountPoint;
        for (size_t j = i + 1; j < mounts.size(); ++j) {
            const std::string& q = mounts[j].mountPoint;
            if (p.compare(0, q.size(), q) == 0 && (p.size() == q.size() || q == "/" || p[q.size()] == '/')) return true;
        }
        return false;
    };
    std::vector<std::string> out;
    std::set<std::uint64_t> seen;
    std::set<std::string> seenSources;
    for (size_t i = 0; i < mounts.size(); ++i) {
        const MountEntry& m = mounts[i];
        DriveKind k = ClassifyMount(m);
        if (k != DriveKind::Fixed && k != DriveKind::Network) continue;
        if (covered(i)) continue;
        // A device mounted twice (bind mounts, btrfs subvolumes) counts once: its first
        // mount that can still be seen.
        if (!seen.insert(m.device).second) continue;
        if (k == DriveKind::Network && !seenSources.insert(m.source).second) continue;
        out.push_back(m.mountPoint);
    }
    return out;
}

}  // namespace vantum::platform
