#pragma once
// The sort mode shared by the tree list and the charts (0 by name, 1 by size, 2 unsorted) and
// its two commands.

#include <QObject>
#include <functional>

class QAction;

namespace vantum {
class TSizeFolder;
}

namespace vantum::app {

class AnalyserViewsSlot;

class SortModeSwitch : public QObject {
    Q_OBJECT
public:
    SortModeSwitch(QAction* sortName, QAction* sortSize, AnalyserViewsSlot& views,
                   std::function<TSizeFolder*()> currentFolder, QObject* parent = nullptr);

    int SortMode() const { return mode_; }
    // A stored value: 0 and 1 as they are, anything else unsorted. Sets the check marks.
    void SetSortMode(int stored);
    // Re-sorts the views in the current mode; nothing while there is no current folder.
    void ApplySortMode();

private:
    void SetChecks();

    QAction* sortName_;
    QAction* sortSize_;
    AnalyserViewsSlot& views_;
    std::function<TSizeFolder*()> currentFolder_;
    int mode_ = 0;
};

}  // namespace vantum::app
