#pragma once
// Every section and key of the settings file with its type and default, in one table.
//
// Code reads and writes settings only through these constants:
//     IniFile ini(SettingsPath());
//     int width = Read(ini, key::BoundsWidth);
//     Write(ini, key::BoundsWidth, 1024);
//     ini.Save();
// Where the default depends on who reads a key, the table holds one entry per reader
// (suffix InDialog); both name the same stored value.

#include <span>
#include <string>
#include <string_view>

#include "settings/ini_file.h"

namespace vantum::settings {

enum class SettingType { Bool, Int, Text };

using Text = std::string_view;

template <class T>
struct Setting {
    std::string_view section;
    std::string_view key;
    T def;
};

// X(name, type, section, key, default, reader-specific variant of an earlier entry)
#define VANTUM_SETTING_KEYS(X)                                                                  \
    X(SplashShow,               bool, "Splash",    "Show",                  false, false)       \
    X(SplashShowInDialog,       bool, "Splash",    "show",                  true,  true)        \
    X(BoundsLeft,               int,  "Bounds",    "left",                  100,   false)       \
    X(BoundsWidth,              int,  "Bounds",    "width",                 900,   false)       \
    X(BoundsTop,                int,  "Bounds",    "top",                   50,    false)       \
    X(BoundsHeight,             int,  "Bounds",    "height",                600,   false)       \
    X(BoundsMaximized,          bool, "Bounds",    "maximized",             false, false)       \
    X(PageTabSheet,             int,  "Page",      "TabSheet",              0,     false)       \
    X(ShowDirTree,              bool, "Switches",  "ShowDirTree",           true,  false)       \
    X(ExplodeBiggest,           bool, "Switches",  "ExplodeBiggest",        false, false)       \
    X(MarkVisible,              bool, "Switches",  "MarkVisible",           true,  false)       \
    X(ShowLegend,               bool, "Switches",  "ShowLegend",            false, false)       \
    X(Toggle3D,                 bool, "Switches",  "Toggle3D",              true,  false)       \
    X(FreeSpace,                bool, "Switches",  "FreeSpace",             false, false)       \
    X(ShowHistoryCombo,         bool, "Switches",  "HistoryCombo",          false, false)       \
    X(Sort,                     int,  "Switches",  "Sort",                  0,     false)       \
    X(ShowHints,                bool, "Switches",  "Show Hints",            true,  false)       \
    X(ElypticPie,               bool, "PieForm",   "Elyptic",               false, false)       \
    X(LastDir,                  Text, "LastDir",   "Start with",            "/",   false)       \
    X(CopyDir,                  Text, "CopyDir",   "Start with",            "",    false)       \
    X(UseExternalExplorer,      bool, "Explorer",  "Use external explorer", false, false)       \
    X(ExplorerShredder,         int,  "Explorer",  "Shredder",              1,     false)       \
    X(ExplorerShredderInDialog, int,  "Explorer",  "Shredder",              0,     true)        \
    X(ShredderCount,            int,  "Shredder",  "ShredderCount",         4,     false)       \
    X(ShredderCountInDialog,    int,  "Shredder",  "ShredderCount",         34,    true)        \
    X(CompressionRatio,         int,  "Zip",       "Compression Ratio",     4,     false)       \
    X(SpaceGainShow,            bool, "SpaceGain", "Show",                  true,  false)       \
    X(CountSystemFolders,       bool, "Calc",      "Count Systemfolders",   true,  false)       \
    X(ApparentSizes,            bool, "Calc",      "Apparent sizes",        false, false)       \
    X(EnableZoom,               bool, "Settings",  "EnableZoom",            true,  false)       \
    X(HistorySize,              int,  "Settings",  "HistorySize",           20,    false)       \
    X(BarsGradient,             bool, "Bars",      "Gradient",              true,  false)       \
    X(FolderListLength,         int,  "Folder ranking", "Folder list lenght", 20,  false)       \
    X(IsRegistered,             bool, "Register Extension", "IsRegistered", false, false)       \
    X(CleanAllCache,            bool, "CleanAll",  "Cache",                 true,  false)       \
    X(CleanAllHistory,          bool, "CleanAll",  "History",               true,  false)       \
    X(CleanAllDocs,             bool, "CleanAll",  "Docs",                  true,  false)       \
    X(CleanAllMedia,            bool, "CleanAll",  "Media",                 true,  false)       \
    X(CleanAllUrl,              bool, "CleanAll",  "URL",                   true,  false)       \
    X(CleanAllTemp,             bool, "CleanAll",  "Temp",                  true,  false)       \
    X(CleanAllRecycle,          bool, "CleanAll",  "Recycle",               true,  false)       \
    X(HtmlFontColor,            Text, "Colors",    "Export HTML Font",      "222200", false)    \
    X(HtmlLinkColor,            Text, "Colors",    "Export HTML Link Font", "aabb00", false)    \
    X(HtmlBackgroundColor,      Text, "Colors",    "Export HTML Background", "c3d7f8", false)   \
    X(HtmlFontSize,             Text, "FontSize",  "Export HTML Font Size", "4",   false)       \
    X(HtmlHeadFontSize,         Text, "FontSize",  "Export HTML Head Font Size", "6", false)    \
    X(HistoryCount,             int,  "HistoryCombo", "count",              0,     false)       \
    X(TempFoldersCount,         int,  "TempListView", "count",              0,     false)

namespace key {
#define VANTUM_DECLARE_SETTING(name, type_, section_, key_, def_, variant_) \
    inline constexpr Setting<type_> name{section_, key_, def_};
VANTUM_SETTING_KEYS(VANTUM_DECLARE_SETTING)
#undef VANTUM_DECLARE_SETTING
}  // namespace key

// One row of the table, for listing and checking it as a whole.
struct SettingInfo {
    std::string_view name;     // the constant's name in namespace key
    std::string_view section;
    std::string_view key;
    SettingType type;
    std::string defaultText;   // the default as the file would hold it ("1", "900", "c3d7f8")
    bool readerVariant;        // another reader's default for a key listed before
};
std::span<const SettingInfo> SettingsTable();

// Typed access; a missing key or a value that is not a number gives the default.
inline bool Read(const IniFile& ini, const Setting<bool>& s) {
    return ini.ReadBool(s.section, s.key, s.def);
}
inline int Read(const IniFile& ini, const Setting<int>& s) {
    return ini.ReadInteger(s.section, s.key, s.def);
}
inline std::string Read(const IniFile& ini, const Setting<Text>& s) {
    return ini.ReadString(s.section, s.key, s.def);
}
// False when the value cannot be stored (see IniFile::WriteString).
inline bool Write(IniFile& ini, const Setting<bool>& s, bool v) {
    return ini.WriteBool(s.section, s.key, v);
}
inline bool Write(IniFile& ini, const Setting<int>& s, int v) {
    return ini.WriteInteger(s.section, s.key, v);
}
inline bool Write(IniFile& ini, const Setting<Text>& s, std::string_view v) {
    return ini.WriteString(s.section, s.key, v);
}

// Rules some readers apply to a stored value.
inline constexpr int kShredderCountMin = 1;
inline constexpr int kShredderCountMax = 34;
inline constexpr int kFolderListLengthMax = 100;

// The preferences dialog keeps the shredder's pass count within 1..34.
constexpr int ClampShredderCount(int stored) {
    return stored < kShredderCountMin ? kShredderCountMin
         : stored > kShredderCountMax ? kShredderCountMax
                                      : stored;
}
// The preferences dialog shows a ranking length above 100 as the default.
constexpr int FolderListLengthShown(int stored) {
    return stored > kFolderListLengthMax ? key::FolderListLength.def : stored;
}
// Switches/Sort: 0 by name, 1 by size; any other stored value means unsorted (2).
constexpr int SortModeFromStored(int stored) { return stored == 0 || stored == 1 ? stored : 2; }

}  // namespace vantum::settings
