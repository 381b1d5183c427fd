#pragma once
// Where the settings file and the files beside it live.
//
// The folder is chosen once per run: $VANTUM_APPDATA when set, else a writable folder "AppData"
// beside the executable (portable use), else $XDG_CONFIG_HOME/vantum (~/.config/vantum).

#include <string>
#include <string_view>

namespace vantum::settings {

inline constexpr std::string_view kSettingsFileName = "Vantu.ini";
inline constexpr std::string_view kSizeLogFileName = "Sizereport.log";

// What the folder choice depends on; empty strings stand for unset variables.
struct AppDataInputs {
    std::string vantumAppData;  // $VANTUM_APPDATA
    std::string exeFolder;      // folder of the running executable
    std::string xdgConfigHome;  // $XDG_CONFIG_HOME
    std::string home;           // $HOME
};

// The inputs of this process (environment, /proc/self/exe, the password database for HOME).
AppDataInputs CurrentAppDataInputs();

// The settings folder for the given inputs, without a trailing slash. Pure apart from
// checking whether <exeFolder>/AppData is a writable folder.
std::string ResolveAppDataFolder(const AppDataInputs& in);

// Full path of "Vantu.ini"; worked out on the first call and kept for the rest of the run.
const std::string& SettingsPath();

// The folder that holds the settings file (no trailing slash).
std::string AppDataFolder();
// A file in that folder, e.g. AppDataFile("Chart.jpg").
std::string AppDataFile(std::string_view name);

// The settings path with its extension replaced: ReplaceExtension(p, ".tpl").
std::string ReplaceExtension(std::string_view path, std::string_view ext);

std::string TempTypeListPath();  // Vantu.tpl: temporary-file patterns
std::string CopyLogPath();       // Vantu.log: log of copy with overwrite-older
std::string UpdatePagePath();    // Vantu.kbw: downloaded product page of the update check
std::string SizeLogPath();       // Sizereport.log: the disk size log

}  // namespace vantum::settings
