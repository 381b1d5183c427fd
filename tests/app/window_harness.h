#pragma once
// A main window for tests: scripted prompts, its own settings file, no welcome dialog and no
// browser; plus the wait for the window to leave its busy state.

#include <QApplication>
#include <QTest>
#include <QUrl>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/analyser_views.h"
#include "app/main_window.h"
#include "app/size_log_controller.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"

namespace vantum::test {

// The one application object of the test program, made after the test environment is set.
inline QApplication& App() {
    static int argc = 1;
    static char name[] = "test_app";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        auto* a = new QApplication(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Vantu"));
        return a;
    }();
    return *app;
}

// Waits, processing events, until the window is no longer busy; false on timeout.
inline bool WaitUntilIdle(app::MainWindow& w, int timeoutMs = 20000) {
    return QTest::qWaitFor([&] { return !w.IsBusy(); }, timeoutMs);
}

// Views that record what the window asked of them.
class RecordingViews : public app::AnalyserViews {
public:
    struct Log {
        std::vector<std::string> calls;
        TSizeFolder* filledWith = nullptr;
        TSizeFolder* chartsOf = nullptr;
        TSizeFolder* selectedRow = nullptr;
        int sortMode = -1;
        app::TreeNotes notes;  // the last notes set (not logged as a call)
        std::function<void(const std::string&)> onCall;  // runs inside each call
    };
    explicit RecordingViews(std::shared_ptr<Log> log) : log_(std::move(log)) {}

    void ClearSizeTreeList() override { Note("ClearSizeTreeList"); }
    void FillSizeTreeList(TSizeFolder* top) override {
        log_->filledWith = top;
        Note("FillSizeTreeList");
    }
    void SelectFolderRow(TSizeFolder* f) override {
        log_->selectedRow = f;
        Note("SelectFolderRow");
    }
    void ApplySortMode(int mode, TSizeFolder*) override {
        log_->sortMode = mode;
        Note("ApplySortMode");
    }
    void ShowFolderCharts(TSizeFolder* f) override {
        log_->chartsOf = f;
        Note("ShowFolderCharts");
    }
    void BarsNormal() override { Note("BarsNormal"); }
    void ClearBars() override { Note("ClearBars"); }
    void FillSizeRanking(TSizeFolder*) override { Note("FillSizeRanking"); }
    void SetTreeNotes(const app::TreeNotes& n) override { log_->notes = n; }

private:
    void Note(const std::string& what) {
        log_->calls.push_back(what);
        if (log_->onCall) log_->onCall(what);
    }
    std::shared_ptr<Log> log_;
};

struct TestWindow {
    TempDir settingsDir;
    ScriptedPrompts prompts;
    int welcomeShown = 0;
    std::vector<QUrl> opened;
    bool browserAvailable = true;  // false: the desktop cannot open URLs
    std::shared_ptr<RecordingViews::Log> views = std::make_shared<RecordingViews::Log>();
    // The fixed drives the window measures: never the machine's, whose free space moves.
    std::map<std::string, sizelog::DriveSpace> drives{{"/", {std::uint64_t(100) << 30, std::uint64_t(40) << 30}}};
    std::unique_ptr<app::MainWindow> window;

    std::string SettingsPath() const { return settingsDir / "AppData/Vantu.ini"; }

    // Creates the window over a settings file at settingsPath (default: a fresh one).
    explicit TestWindow(std::string settingsPath = {}, app::MainWindowHooks hooks = {}) {
        App();
        app::MainWindowOptions o;
        o.prompts = &prompts;
        o.settingsPath = settingsPath.empty() ? SettingsPath() : settingsPath;
        o.showWelcome = [this] { ++welcomeShown; };
        o.openUrl = [this](const QUrl& u) {
            opened.push_back(u);
            return browserAvailable;
        };
        window = std::make_unique<app::MainWindow>(o, std::move(hooks));
        window->SetAnalyserViews(std::make_unique<RecordingViews>(views));
        window->SizeLog().SetDriveSource(
            {[this] {
                 std::vector<std::string> list;
                 for (const auto& d : drives) list.push_back(d.first);
                 return list;
             },
             [this](const std::string& mount) -> std::optional<sizelog::DriveSpace> {
                 auto it = drives.find(mount);
                 if (it == drives.end()) return std::nullopt;
                 return it->second;
             }});
    }
    app::MainWindow* operator->() { return window.get(); }
    app::MainWindow& operator*() { return *window; }
};

}  // namespace vantum::test
