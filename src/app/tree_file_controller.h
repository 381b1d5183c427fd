#pragma once
// "Save size tree as", "Open stored size tree" and the reload of a size-tree file named on the
// command line. A reloaded tree is shown like a scanned one and marked as reloaded until the
// next scan. Each command runs with the window busy and leaves cursor, gauge and views right
// also when it fails.

#include <QObject>
#include <QString>

#include "app/scan_progress.h"

class QAction;

namespace vantum {
class Prompts;
class TSizeTree;
}  // namespace vantum

namespace vantum::app {

class AnalyserViewsSlot;
class CommandStates;
class EscapeWatcher;
class GaugeStatus;
class Navigation;
struct WindowWidgets;

class TreeFileController : public QObject {
    Q_OBJECT
public:
    struct Parts {
        TSizeTree& tree;
        WindowWidgets& widgets;
        Navigation& navigation;
        GaugeStatus& status;
        CommandStates& states;
        AnalyserViewsSlot& views;
        EscapeWatcher& escape;
        Prompts& prompts;
    };
    explicit TreeFileController(const Parts& parts, QObject* parent = nullptr);

    QAction* actSave;  // enabled while there is a current folder
    QAction* actOpen;  // always enabled

    void actSaveExecute();
    void actOpenExecute();
    // The reload steps: empties views and tree, reads the file, shows the tree marked as
    // reloaded. No dialog, gauge or Timer3; an error is shown and leaves nothing displayed.
    // Returns whether the tree was read.
    bool ReloadTreeFile(const QString& fileName);

    // Whether the tree shown was read from a file (the marks on both charts).
    bool TreeReloaded() const { return reloaded_; }
    // Shows or hides the marks; a new scan hides them.
    void SetReloaded(bool on);

private:
    void EmptyViewsAndTree();

    Parts p_;
    ScanProgressSink sink_;
    bool reloaded_ = false;
};

}  // namespace vantum::app
