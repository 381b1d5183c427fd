#include "settings/settings_path.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace vantum::settings {
namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string StripTrailingSlashes(std::string p) {
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

bool IsWritableFolder(const std::string& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && ::access(p.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

AppDataInputs CurrentAppDataInputs() {
    AppDataInputs in;
    in.vantumAppData = Env("VANTUM_APPDATA");
    in.xdgConfigHome = Env("XDG_CONFIG_HOME");
    in.home = Env("HOME");
    if (in.home.empty()) {
        if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) in.home = pw->pw_dir;
    }
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) in.exeFolder = exe.parent_path().string();
    return in;
}

std::string ResolveAppDataFolder(const AppDataInputs& in) {
    if (!in.vantumAppData.empty()) return StripTrailingSlashes(in.vantumAppData);
    if (!in.exeFolder.empty()) {
        std::string beside = StripTrailingSlashes(in.exeFolder) + "/AppData";
        if (IsWritableFolder(beside)) return beside;
    }
    // The XDG base directory rules ignore a relative $XDG_CONFIG_HOME.
    if (!in.xdgConfigHome.empty() && in.xdgConfigHome.front() == '/')
        return StripTrailingSlashes(in.xdgConfigHome) + "/vantum";
    std::string home = in.home.empty() ? std::string("/tmp") : StripTrailingSlashes(in.home);
    if (home == "/") home.clear();
    return home + "/.config/vantum";
}

const std::string& SettingsPath() {
    static const std::string path =
        ResolveAppDataFolder(CurrentAppDataInputs()) + "/" + std::string(kSettingsFileName);
    return path;
}

std::string AppDataFolder() {
    const std::string& p = SettingsPath();
    return p.substr(0, p.rfind('/'));
}

std::string AppDataFile(std::string_view name) {
    return AppDataFolder() + "/" + std::string(name);
}

std::string ReplaceExtension(std::string_view path, std::string_view ext) {
    size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    // A leading dot names a hidden file, not an extension.
    if (dot == std::string_view::npos || dot <= nameStart) dot = path.size();
    return std::string(path.substr(0, dot)) + std::string(ext);
}

std::string TempTypeListPath() { return ReplaceExtension(SettingsPath(), ".tpl"); }
std::string CopyLogPath() { return ReplaceExtension(SettingsPath(), ".log"); }
std::string UpdatePagePath() { return ReplaceExtension(SettingsPath(), ".kbw"); }
std::string SizeLogPath() { return AppDataFile(kSizeLogFileName); }

}  // namespace vantum::settings
