#pragma once
// The main window: builds the controls, owns the size tree and composes the controllers of
// each area. It wires them together and holds no behaviour of its own.

#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>

#include "app/analyser_views.h"
#include "app/app_actions.h"
#include "app/help_controller.h"
#include "app/window_layout.h"

namespace vantum {
class Prompts;
class TSizeTree;
}  // namespace vantum

namespace vantum::app {

class CommandStates;
class EscapeWatcher;
class FileSearchController;
class GaugeStatus;
class HistoryController;
class Navigation;
class ScanController;
class SizeLogController;
class SortModeSwitch;
class TipController;
class TreeFileController;
class UpdateController;
class ViewSwitches;
class WindowSettings;

struct MainWindowOptions {
    Prompts* prompts = nullptr;          // null: the Qt dialogs
    std::string settingsPath;            // empty: the settings file of this run
    std::function<void()> showWelcome;   // empty: the welcome window, modal
    HelpController::UrlOpener openUrl;   // empty: the desktop's browser
};

// Operations of other areas that the window calls at fixed moments; empty until they exist.
struct MainWindowHooks {
    std::function<void(const QString& file)> reloadTreeFile;  // a size-tree file on the command line
    std::function<void(const QString& target, const QString& source, const QString& password)> decryptFile;
    std::function<void()> recordFreeSpaceBaseline;
    std::function<void()> closeQuery;  // runs when the window closes, before the settings are saved
};

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(MainWindowOptions options = {}, MainWindowHooks hooks = {});
    ~MainWindow() override;

    // The activation steps: run once (later calls do nothing); loads the settings, opens the
    // start folder and shows the window. onVisible runs once the window is visible.
    void Activate(const QStringList& arguments = {}, const std::function<void()>& onVisible = {});
    bool Activated() const { return activated_; }

    // A scan, size pass or refresh is running.
    bool IsBusy() const;

    void SetAnalyserViews(std::unique_ptr<AnalyserViews> views) { views_.Set(std::move(views)); }

    TSizeTree& Tree() { return *tree_; }
    AppActions& Actions() { return actions_; }
    WindowWidgets& Widgets() { return widgets_; }
    Prompts& Dialogs() { return *prompts_; }
    Navigation& Nav() { return *navigation_; }
    ScanController& Scan() { return *scan_; }
    HistoryController& History() { return *history_; }
    ViewSwitches& Switches() { return *switches_; }
    GaugeStatus& Status() { return *status_; }
    CommandStates& States() { return *states_; }
    SortModeSwitch& Sort() { return *sort_; }
    WindowSettings& Settings() { return *settings_; }
    TipController& Tips() { return *tips_; }
    EscapeWatcher& Escape() { return *escape_; }
    HelpController& Help() { return *help_; }
    TreeFileController& TreeFiles() { return *treeFiles_; }
    FileSearchController& FileSearch() { return *fileSearch_; }
    SizeLogController& SizeLog() { return *sizeLog_; }
    UpdateController& Updates() { return *updates_; }
    // Opens URLs for the window (the desktop's, or the one of the options).
    const HelpController::UrlOpener& UrlOpener() const { return opener_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ApplyColors();
    void RegisterTreeCommands();
    void ConnectCommands();
    void SaveSettingsOnce();
    std::string SettingsFile() const;

    MainWindowOptions options_;
    MainWindowHooks hooks_;
    HelpController::UrlOpener opener_;
    std::unique_ptr<Prompts> ownPrompts_;
    Prompts* prompts_ = nullptr;
    std::unique_ptr<TSizeTree> tree_;
    AppActions actions_;
    WindowWidgets widgets_;
    AnalyserViewsSlot views_;
    std::unique_ptr<EscapeWatcher> escape_;
    std::unique_ptr<TipController> tips_;
    std::unique_ptr<CommandStates> states_;
    std::unique_ptr<GaugeStatus> status_;
    std::unique_ptr<Navigation> navigation_;
    std::unique_ptr<HistoryController> history_;
    std::unique_ptr<SortModeSwitch> sort_;
    std::unique_ptr<ViewSwitches> switches_;
    std::unique_ptr<ScanController> scan_;
    std::unique_ptr<HelpController> help_;
    std::unique_ptr<TreeFileController> treeFiles_;
    std::unique_ptr<FileSearchController> fileSearch_;
    std::unique_ptr<WindowSettings> settings_;
    std::unique_ptr<SizeLogController> sizeLog_;
    std::unique_ptr<UpdateController> updates_;
    bool activated_ = false;
    bool closePending_ = false;
    bool settingsSaved_ = false;
};

}  // namespace vantum::app
