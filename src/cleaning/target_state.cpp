#include "cleaning/target_state.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <deque>

#include "cleaning/desktop_entry.h"

namespace vantum::cleaning {

namespace {

constexpr int kMaxSymlinkHops = 40;  // as the kernel's own limit (ELOOP)

// "scheme://..." with a scheme of letters, digits, '+', '-', '.'.
bool IsUrl(std::string_view s) {
    size_t colon = s.find("://");
    if (colon == std::string_view::npos || colon == 0) return false;
    char first = s[0];
    if (!((first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z'))) return false;
    for (size_t i = 1; i < colon; ++i) {
        char c = s[i];
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-' ||
                  c == '.';
        if (!ok) return false;
    }
    return true;
}

void PushComponents(std::deque<std::string>& todo, std::string_view path) {
    // Pushed in front of what is left, in order.
    std::deque<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        if (end > start) parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    todo.insert(todo.begin(), parts.begin(), parts.end());
}

std::optional<ShortcutState> MountState(const std::vector<platform::MountEntry>& mounts, const std::string& path) {
    const platform::MountEntry* m = platform::MountOf(mounts, path);
    if (!m) return std::nullopt;
    if (platform::IsOpticalFileSystem(m->fsType)) return ShortcutState::LinkToCdRom;
    if (platform::IsNetworkFileSystem(m->fsType)) return ShortcutState::NetworkLink;
    return std::nullopt;
}

// Walks an absolute path component by component.
ShortcutState ClassifyLocalPath(const std::string& path, const std::vector<platform::MountEntry>& mounts) {
    std::string resolved = "/";
    if (auto s = MountState(mounts, resolved)) return *s;
    std::deque<std::string> todo;
    PushComponents(todo, path);
    int hops = 0;
    bool lastIsDir = true;  // "/" is
    while (!todo.empty()) {
        std::string part = std::move(todo.front());
        todo.pop_front();
        if (part == ".") continue;
        if (part == "..") {
            // resolved holds no links, so going up is lexical.
            size_t slash = resolved.rfind('/');
            resolved.resize(slash == 0 ? 1 : slash);
            continue;
        }
        std::string candidate = resolved == "/" ? "/" + part : resolved + "/" + part;
        if (auto s = MountState(mounts, candidate)) return *s;
        struct stat st {};
        if (::lstat(candidate.c_str(), &st) != 0) {
            // Without permission to look, the target may well exist: not a reason to delete.
            return errno == EACCES ? ShortcutState::Ok : ShortcutState::Broken;
        }
        if (S_ISLNK(st.st_mode)) {
            if (++hops > kMaxSymlinkHops) return ShortcutState::Broken;
            std::string text(static_cast<size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
            ssize_t n = ::readlink(candidate.c_str(), text.data(), text.size());
            if (n <= 0) return ShortcutState::Broken;
            text.resize(static_cast<size_t>(n));
            if (text.front() == '/') resolved.assign(1, '/');
            PushComponents(todo, text);
            continue;
        }
        if (!todo.empty() && !S_ISDIR(st.st_mode)) return ShortcutState::Broken;
        lastIsDir = S_ISDIR(st.st_mode);
        resolved = std::move(candidate);
    }
    // "file/" names a folder; a file there does not count.
    if (path.back() == '/' && !lastIsDir) return ShortcutState::Broken;
    return ShortcutState::Ok;
}

}  // namespace

std::string_view StateText(ShortcutState state) {
    switch (state) {
        case ShortcutState::LinkToCdRom: return "Link to CDRom";
        case ShortcutState::Undefined: return "undefined";
        case ShortcutState::NetworkLink: return "Network Link";
        case ShortcutState::Broken: return "Broken";
        case ShortcutState::Ok: return "OK";
    }
    return "undefined";
}

bool CheckedWhenListed(ShortcutState state) {
    return state == ShortcutState::Broken || state == ShortcutState::LinkToCdRom;
}

ShortcutState ClassifyTarget(const std::string& target, const std::vector<platform::MountEntry>& mounts) {
    if (target.empty()) return ShortcutState::Undefined;
    if (target.size() >= 2 && target[0] == '\\' && target[1] == '\\') return ShortcutState::NetworkLink;
    std::string path = target;
    if (IsUrl(target) || target.rfind("file:", 0) == 0) {
        auto local = LocalPathOfFileUrl(target);
        if (!local) return IsUrl(target) ? ShortcutState::NetworkLink : ShortcutState::Broken;
        path = *local;
    }
    if (path.front() != '/') return ShortcutState::Broken;
    return ClassifyLocalPath(path, mounts);
}

ShortcutState ClassifyTarget(const std::string& target) { return ClassifyTarget(target, platform::ReadMounts()); }

}  // namespace vantum::cleaning
