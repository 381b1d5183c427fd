#pragma once
// Paths that are never deleted, trashed or emptied, however they are spelled: the root, the
// system folders, /home, /root, /proc, /sys, /dev, /run, the home folder, the XDG user folders,
// ~/.config, ~/.local/share, every mount point, and any folder above one of these.
#include <string>
#include <vector>

namespace vantum::platform {

class ProtectedPaths {
public:
    // The rule for this user and this machine (environment, user-dirs.dirs, mount table).
    static ProtectedPaths ForThisSystem();
    // A rule over the given roots only (tests use temporary folders).
    explicit ProtectedPaths(std::vector<std::string> roots);

    // Whether path is a protected root or above one. The path is compared in canonical form;
    // its last name is not resolved when it is a symbolic link (the link is what would go).
    bool IsProtected(const std::string& path) const;
    const std::vector<std::string>& Roots() const { return roots_; }

private:
    std::vector<std::string> roots_;  // canonical
};

// The canonical form of path: folders resolved, the last name kept when it is a link.
// A path whose folder does not exist is normalised as text.
std::string CanonicalItemPath(const std::string& path);

}  // namespace vantum::platform
