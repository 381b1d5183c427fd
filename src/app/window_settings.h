#pragma once
// Loading the window's settings at the first activation and writing them back at exit.

#include <QString>
#include <functional>
#include <string>

#include "settings/settings_load.h"

class QMainWindow;

namespace vantum {
class Prompts;
}

namespace vantum::app {

struct AppActions;
struct WindowWidgets;
class HistoryController;
class Navigation;
class ScanController;
class SortModeSwitch;
class ViewSwitches;

struct SettingsTargets {
    QMainWindow& window;
    WindowWidgets& widgets;
    AppActions& actions;
    ViewSwitches& switches;
    SortModeSwitch& sort;
    ScanController& scan;
    HistoryController& history;
    Navigation& navigation;
};

class WindowSettings {
public:
    WindowSettings(std::string path, SettingsTargets targets, Prompts& prompts);

    const std::string& Path() const { return path_; }
    // Prepares the file (welcome window and creation on the first run) and applies every key.
    void Load(const std::function<void()>& showWelcome);
    bool Loaded() const { return loaded_; }
    // The folder to open at start (LastDir/Start with).
    QString StartFolder() const;
    // What was read, updated by Save with the window's state.
    const settings::MainWindowSettings& Values() const { return values_; }

    // Writes the window's state; shows the error and returns false when the file cannot be
    // written. Does nothing before Load, nor when the file could not be read at Load (so
    // defaults never replace a file that was not read).
    bool Save();
    // The window's state as Save would write it.
    settings::MainWindowSettings Collect() const;

private:
    std::string path_;
    SettingsTargets t_;
    Prompts& prompts_;
    settings::MainWindowSettings values_;
    bool loaded_ = false;
    bool keepFile_ = false;  // the file could not be read at start: never replaced
};

}  // namespace vantum::app
