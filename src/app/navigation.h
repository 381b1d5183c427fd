#pragma once
// Where the user is: the current folder on disk (CurrentPath, what "Scan" scans), the current
// folder of the size tree (CurrentFolder, what the charts show) and the trail of folders that
// "Up" left (BackHistory). Keeps the explorer tree, the status bar and the history combo in step.

#include <QObject>
#include <QString>
#include <vector>

class QModelIndex;

namespace vantum {
class Prompts;
class TSizeFolder;
class TSizeTree;
}  // namespace vantum

namespace vantum::app {

class AnalyserViewsSlot;
class GaugeStatus;
struct WindowWidgets;

class Navigation : public QObject {
    Q_OBJECT
public:
    Navigation(TSizeTree& tree, WindowWidgets& widgets, AnalyserViewsSlot& views, GaugeStatus& status,
               QObject* parent = nullptr);

    const QString& CurrentPath() const { return currentPath_; }
    TSizeFolder* CurrentFolder() const { return currentFolder_; }
    const std::vector<QString>& BackHistory() const { return backHistory_; }

    // Makes a folder on disk current (with a trailing '/'); "<All Drives>" only changes what is
    // shown; anything else is ignored.
    void GoToPath(const QString& path, bool followTree);
    // Selects a folder in the explorer tree, with only the branch down to it expanded.
    void SyncExplorerTree(const QString& path);
    // The start: GoToPath with the explorer tree following, the start folder and the home
    // folder expanded.
    void ShowStartFolder(const QString& path);
    // The explorer tree's selected folder path ("" when none).
    QString SelectedTreePath() const;

    void GoUp();
    void GoBack();
    // Makes the tree folder of an existing path current and shows it everywhere.
    void ShowFolderByPath(const QString& path);
    // A row of the tree list was chosen: its folder becomes current.
    void ShowTreeFolder(TSizeFolder* folder);

    void SetCurrentFolder(TSizeFolder* folder);
    void ClearBackHistory();
    // Whether "Up" may run: the current folder's parent is a folder, not the root.
    bool UpAllowed() const { return upAllowed_; }

    // The folder picker: the chosen folder becomes current, the explorer tree following.
    void BrowseDir(Prompts& prompts);

    // Explorer tree click or double click.
    void DirTreeClick(const QModelIndex& index);

signals:
    // CurrentFolder or BackHistory changed.
    void StateChanged();
    // CurrentPath changed.
    void CurrentPathChanged(const QString& path);

private:
    TSizeTree& tree_;
    WindowWidgets& w_;
    AnalyserViewsSlot& views_;
    GaugeStatus& status_;
    QString currentPath_;
    TSizeFolder* currentFolder_ = nullptr;
    std::vector<QString> backHistory_;
    bool upAllowed_ = false;
};

}  // namespace vantum::app
