#pragma once
// The analyser's commands that build the size tree: "Scan", "Scan all" and F9 with the scan
// driver, and the branch refresh. Each runs on the UI thread with the window busy, reports
// through the gauge and status bar, and leaves cursor, gauge and command states right also
// when it fails.

#include <QObject>
#include <QString>
#include <string>
#include <vector>

#include "app/scan_progress.h"

namespace vantum {
class ProgressSink;
class Prompts;
class TSizeFolder;
class TSizeTree;
}  // namespace vantum

namespace vantum::app {

class AnalyserViewsSlot;
class CommandStates;
class EscapeWatcher;
class GaugeStatus;
class HistoryController;
class Navigation;
class SortModeSwitch;
struct WindowWidgets;

// "  mm:ss:zz ms": minutes and seconds in two digits, milliseconds in at least two.
QString ElapsedText(qint64 milliseconds);
// The tree state panel: the total, "(partial)" after a stopped scan, and how many folders
// could not be read.
QString TreeStateText(double totalMB, bool partial, int unreadable);
// Sizes the tree a stopped scan left (folders never listed count as empty) and returns the
// paths of those folders, in pre-order.
std::vector<std::string> SizePartialTree(TSizeTree& tree, ProgressSink& sink);

class ScanController : public QObject {
    Q_OBJECT
public:
    struct Parts {
        TSizeTree& tree;
        WindowWidgets& widgets;
        Navigation& navigation;
        GaugeStatus& status;
        CommandStates& states;
        HistoryController& history;
        SortModeSwitch& sort;
        AnalyserViewsSlot& views;
        EscapeWatcher& escape;
        Prompts& prompts;
    };
    explicit ScanController(const Parts& parts, QObject* parent = nullptr);

    bool ScanAllDrives = false;
    bool CountSystemFolders = true;
    // Count file lengths instead of disk usage ([Calc] "Apparent sizes").
    bool ApparentSizes = false;

    // A click on "Scan" (allDrives false) or "Scan all" (true).
    void ScanButtonClick(bool allDrives);
    // The scan command; ScanAllDrives keeps the value of the last button click.
    void actRunExecute();
    void ScanDriver(const QString& path);
    // Rescans and resizes one folder's branch, then refills the views.
    void RefreshBranch(TSizeFolder* folder);

    // Whether a scan or refresh is running.
    bool Running() const { return running_; }
    // Ends a running scan as soon as the descent can stop (the window is closing).
    void RequestStop();

signals:
    // A scan or refresh has ended (also by error or abort).
    void Finished();
    // A scan (not a refresh) has emptied the tree to build a new one.
    void ScanStarted();

private:
    void EmptyViewsAndTree();

    Parts p_;
    ScanProgressSink sink_;
    bool running_ = false;
};

}  // namespace vantum::app
