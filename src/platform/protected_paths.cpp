#include "platform/protected_paths.h"

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/mounts.h"

namespace vantum::platform {

namespace {

namespace fs = std::filesystem;

std::string Resolved(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real) return fs::path(path).lexically_normal().string();
    std::string out = real;
    std::free(real);
    return out;
}

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v && *v ? v : "";
}

// XDG_*_DIR entries of user-dirs.dirs ("$HOME/Documents" or an absolute path).
std::vector<std::string> UserDirs(const std::string& home, const std::string& configHome) {
    std::vector<std::string> dirs;
    std::ifstream in(configHome + "/user-dirs.dirs");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("XDG_", 0) != 0) continue;
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string v = line.substr(eq + 1);
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
        if (v.rfind("$HOME", 0) == 0) v = home + v.substr(5);
        if (!v.empty() && v.front() == '/') dirs.push_back(v);
    }
    return dirs;
}

}  // namespace

std::string CanonicalItemPath(const std::string& path) {
    std::string p = path.empty() ? "." : path;
    if (p.front() != '/') {
        std::error_code ec;
        p = (fs::current_path(ec) / p).string();
    }
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    const auto slash = p.rfind('/');
    const std::string name = p.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") return Resolved(p);
    const std::string folder = Resolved(slash == 0 ? "/" : p.substr(0, slash));
    return folder == "/" ? "/" + name : folder + "/" + name;
}

ProtectedPaths::ProtectedPaths(std::vector<std::string> roots) {
    for (const auto& r : roots)
        if (!r.empty()) roots_.push_back(Resolved(r));
    roots_.push_back("/");
}

ProtectedPaths ProtectedPaths::ForThisSystem() {
    std::vector<std::string> roots = {"/",    "/usr",  "/etc",  "/bin",  "/sbin", "/lib", "/lib32", "/lib64",
                                      "/libx32", "/boot", "/opt", "/home", "/root", "/proc", "/sys", "/dev",
                                      "/run", "/var", "/srv", "/tmp"};
    const std::string home = Env("HOME");
    if (!home.empty()) {
        const std::string config = Env("XDG_CONFIG_HOME").empty() ? home + "/.config" : Env("XDG_CONFIG_HOME");
        const std::string data = Env("XDG_DATA_HOME").empty() ? home + "/.local/share" : Env("XDG_DATA_HOME");
        roots.insert(roots.end(), {home, config, data, home + "/.config", home + "/.local/share"});
        for (auto& d : UserDirs(home, config)) roots.push_back(d);
    }
    for (const auto& m : ReadMounts()) roots.push_back(m.mountPoint);
    return ProtectedPaths(std::move(roots));
}

bool ProtectedPaths::IsProtected(const std::string& path) const {
    const std::string p = CanonicalItemPath(path);
    if (p == "/") return true;
    for (const auto& r : roots_)
        if (r == p || (r.size() > p.size() && r.compare(0, p.size(), p) == 0 && r[p.size()] == '/')) return true;
    return false;
}

}  // namespace vantum::platform
