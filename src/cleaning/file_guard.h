#pragma once
// The careful file steps every cleaner uses: a stamp to notice that another program changed a
// file, an atomic replacement that happens only when the file is still as it was read, and a
// removal that happens only when the path is still the entry that was listed.

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>

namespace vantum::cleaning {

struct FileStamp {
    std::uint64_t dev = 0, ino = 0, size = 0;
    std::int64_t mtimeSec = 0, mtimeNsec = 0;
    std::uint32_t mode = 0;  // type and permission bits
    bool operator==(const FileStamp&) const = default;
};

// lstat of the path itself (a link is not followed); nullopt when it cannot be examined.
std::optional<FileStamp> StampOf(const std::string& path);

enum class ReplaceOutcome { Replaced, ChangedMeanwhile, Failed };

// Writes text to a temporary file beside path (same permissions), syncs it, checks that path
// still has the stamp `expected`, and renames it over path. Anything but Replaced leaves path as
// it was; *error then says why, naming the file.
ReplaceOutcome ReplaceIfUnchanged(const std::string& path, const FileStamp& expected, const std::string& text,
                                  std::string* error);

// Removes a regular file or a symbolic link (never what it points to) when it is still the
// entry that was listed: same device, inode and type. False with the reason in *why otherwise.
bool RemoveListedEntry(const std::string& path, const FileStamp& listed, std::string* why);

// The whole file when it holds at most limit bytes (read as it is now, not as stat saw it).
std::optional<std::string> ReadSmallFile(const std::string& path, size_t limit);

}  // namespace vantum::cleaning
