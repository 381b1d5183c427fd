#pragma once
// The parts of loading and saving the settings that need no window.

#include <functional>
#include <string>
#include <vector>

#include "settings/ini_file.h"

namespace vantum::settings {

struct FirstRunResult {
    bool firstRun = false;      // the file did not exist (the welcome window was due)
    bool created = false;       // the folder and the empty file were created
    bool splashWritten = false; // Splash/Show = 1 was written
    // Messages for the user, in order ("Error creating ini file", ...).
    std::vector<std::string> messages;
};

// The first steps of loading the settings at the main window's first activation:
// 1. When the file does not exist: call showWelcome (which returns once the welcome window is
//    closed), then create the file's folder and the file empty; on failure the message
//    "Error creating ini file" (every key then reads as its default).
// 2. When the section "Splash" does not exist, write Splash/Show = 1.
// showWelcome may be empty.
FirstRunResult PrepareSettingsFile(const std::string& path,
                                   const std::function<void()>& showWelcome = {});

// The main window's own settings, as Load applies them and Save writes them back.
struct MainWindowSettings {
    int left = 100, width = 900, top = 50, height = 600;
    bool maximized = false;  // the window was maximised; the bounds are its normal geometry
    int tabSheet = 0;
    bool showDirTree = true;
    int explorerShredder = 1;
    int shredderCount = 4;
    int compressionRatio = 4;
    bool elypticPie = false;
    bool explodeBiggest = false, markVisible = true, showLegend = false, toggle3D = true,
         freeSpace = false;
    std::string copyDir;
    bool showHistoryCombo = false;
    bool useExternalExplorer = false;
    int sort = 0;  // as stored; SortModeFromStored() gives the mode
    bool showHints = true;
    bool spaceGainShow = true;
    bool countSystemFolders = true;
    bool apparentSizes = false;  // files count with their length, not their disk usage
    std::string lastDir = "/";
    bool enableZoom = true;
    bool barsGradient = true;
    std::vector<std::string> history;
    int historySize = 20;
    std::vector<std::string> tempFolders;  // existing folders only
};

// Every key that the Load algorithm reads at activation (the temp-type patterns live in their
// own file and are not part of this).
MainWindowSettings ReadMainWindowSettings(const IniFile& ini);

// Save at exit into ini (in memory; the caller saves once): Bounds only when the window is in
// the normal state, then the switches, PieForm, Page, LastDir, CopyDir, the temporary folders
// and the folder history.
void WriteMainWindowSettings(IniFile& ini, const MainWindowSettings& s, bool windowStateNormal);

// The same, then one atomic save; the message names the file when it fails.
IniResult SaveMainWindowSettings(const std::string& path, const MainWindowSettings& s,
                                 bool windowStateNormal);

}  // namespace vantum::settings
