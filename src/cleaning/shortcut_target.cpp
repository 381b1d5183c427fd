#include "cleaning/shortcut_target.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string_view>

#include "cleaning/desktop_entry.h"
#include "cleaning/lnk_reader.h"

namespace vantum::cleaning {

namespace {

// Shortcuts are small; a larger file is read only up to this size (a target beyond it reads
// as none).
constexpr size_t kMaxShortcutSize = 1 << 20;

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
    if (s.size() < suffix.size()) return false;
    for (size_t i = 0; i < suffix.size(); ++i) {
        char a = s[s.size() - suffix.size() + i];
        if (a >= 'A' && a <= 'Z') a += 32;
        if (a != suffix[i]) return false;
    }
    return true;
}

// The start of a regular file; nothing for FIFOs, devices and the like (O_NONBLOCK keeps a
// FIFO that carries a shortcut's name from blocking the open).
std::optional<std::string> ReadHead(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    std::optional<std::string> out;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        std::string data(std::min<std::uint64_t>(static_cast<std::uint64_t>(st.st_size), kMaxShortcutSize), '\0');
        size_t done = 0;
        while (done < data.size()) {
            ssize_t n = ::read(fd, data.data() + done, data.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        data.resize(done);
        out = std::move(data);
    }
    ::close(fd);
    return out;
}

std::string SymlinkTarget(const std::string& path) {
    std::error_code ec;
    std::filesystem::path text = std::filesystem::read_symlink(path, ec);
    if (ec || text.empty()) return {};
    if (text.is_absolute()) return text.string();
    std::filesystem::path folder = std::filesystem::absolute(path, ec).parent_path();
    if (ec) return {};
    return (folder / text).string();
}

}  // namespace

std::string ReadShortcutTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return {};
    if (S_ISLNK(st.st_mode)) return SymlinkTarget(path);
    if (!S_ISREG(st.st_mode)) return {};
    bool lnk = EndsWithNoCase(path, ".lnk");
    if (!lnk && !EndsWithNoCase(path, ".desktop")) return {};
    auto data = ReadHead(path);
    if (!data) return {};
    if (lnk) return ParseShellLinkTarget(*data);
    const char* pathEnv = std::getenv("PATH");
    return DesktopEntryTarget(*data, pathEnv ? pathEnv : "");
}

}  // namespace vantum::cleaning
