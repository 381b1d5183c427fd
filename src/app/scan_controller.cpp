#include "app/scan_controller.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QStackedWidget>
#include <QToolButton>
#include <exception>

#include "app/analyser_views.h"
#include "app/app_actions.h"
#include "app/command_states.h"
#include "app/escape_watcher.h"
#include "app/folder_history.h"
#include "app/gauge_status.h"
#include "app/history_controller.h"
#include "app/navigation.h"
#include "app/path_text.h"
#include "app/prompts.h"
#include "app/sort_mode.h"
#include "app/window_layout.h"
#include "core/size_format.h"
#include "core/size_tree.h"

namespace vantum::app {

namespace {

// The tree reports to the sink only while one of our operations runs.
class SinkScope {
public:
    SinkScope(TSizeTree& tree, ProgressSink& sink) : tree_(tree) { tree_.SetProgressSink(&sink); }
    ~SinkScope() { tree_.SetProgressSink(nullptr); }

private:
    TSizeTree& tree_;
};

// Marks the controller running for a scope.
class RunningScope {
public:
    explicit RunningScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~RunningScope() { flag_ = false; }

private:
    bool& flag_;
};

bool IsInBranch(const TSizeFolder* f, const TSizeFolder* branch) {
    for (; f; f = f->Parent)
        if (f == branch) return true;
    return false;
}

}  // namespace

QString ElapsedText(qint64 ms) { return QString::fromStdString(FormatElapsed(ms)); }

ScanController::ScanController(const Parts& parts, QObject* parent)
    : QObject(parent), p_(parts), sink_(parts.status, parts.escape) {}

void ScanController::ScanButtonClick(bool allDrives) {
    ScanAllDrives = allDrives;
    actRunExecute();
}

void ScanController::actRunExecute() {
    if (p_.states.IsBusy()) return;
    p_.status.ShowGauge(100);
    {
        CommandStates::BusyScope busy(p_.states);
        const QString path = p_.navigation.CurrentPath();
        if (IsExistingFolder(path) || ScanAllDrives) {
            p_.widgets.historyCombo->setEditText(path);
            p_.history.AddToHistory();
            ScanDriver(path);
        }
    }
    p_.status.StartTimer3();
}

void ScanController::EmptyViewsAndTree() {
    p_.navigation.ClearBackHistory();
    // Nothing may point into the tree once it is emptied.
    p_.views->ClearSizeRanking();
    p_.views->ClearSizeTreeList();
    p_.navigation.SetCurrentFolder(nullptr);
    p_.tree.ClearBranch(p_.tree.Root.get());
    p_.views->BarsNormal();
    p_.status.SetPanel(2, QString());
}

void ScanController::ScanDriver(const QString& path) {
    QElapsedTimer clock;
    clock.start();
    CommandStates::BusyScope busy(p_.states);
    RunningScope running(running_);
    try {
        if (IsExistingFolder(path) || ScanAllDrives) {
            p_.status.SetPanel(1, QStringLiteral("Counting folders"));
            // An Escape from before this scan must not end it.
            p_.escape.ClearAbort();
            sink_.Pump();
            EmptyViewsAndTree();
            emit ScanStarted();

            SinkScope sinkScope(p_.tree, sink_);
            TSizeTree& tree = p_.tree;
            TSizeFolder* top = nullptr;
            if (ScanAllDrives) {
                top = tree.Root->AddSubFolder(kAllDrives);
                top->IncludeSystemFolders = CountSystemFolders;
                tree.Root->CreateFullObjectTree(top, CountSystemFolders);
                p_.navigation.GoToPath(QString::fromLatin1(kAllDrivesText), false);
            } else {
                top = tree.Root->AddSubFolder(ToBytes(WithTrailingSlash(path)));
                top->IncludeSystemFolders = CountSystemFolders;
                top->CreateObjectTree(top);
            }
            p_.status.SetPanel(1, QStringLiteral("Calculate Size"));
            sink_.ScanPercent(tree.State.FolderCount);
            sink_.ScanCount(tree.State.FolderCount);

            if (tree.CalculateSizes()) {
                p_.views->FillSizeTreeList(top);
                p_.widgets.fpc2->setCurrentIndex(kSizeTreePage);
                if (p_.widgets.pages->currentIndex() > kRankingPage) p_.widgets.pages->setCurrentIndex(kBarsPage);
                p_.navigation.SetCurrentFolder(top);
                p_.status.SetPanel(1, QString());
                p_.status.SetPanel(2, QString::fromStdString(FormatSize(top->CumulatedSize())));
            } else {
                p_.views->ClearBars();
            }
        }
        if (TSizeFolder* current = p_.navigation.CurrentFolder()) p_.views->FillSizeRanking(current);
        p_.sort.ApplySortMode();
    } catch (const std::exception& e) {
        p_.prompts.Message(QString::fromLocal8Bit(e.what()), Prompts::Kind::Error);
    }
    p_.status.SetPanel(1, ElapsedText(clock.elapsed()));
    p_.status.StartTimer3();
    sink_.Reset();
    emit Finished();
}

void ScanController::RefreshBranch(TSizeFolder* folder) {
    if (!folder || p_.states.IsBusy()) return;
    {
        CommandStates::BusyScope busy(p_.states);
        RunningScope running(running_);
        try {
            p_.navigation.ClearBackHistory();
            // The branch is rebuilt: rows of the views may point into it.
            p_.views->ClearSizeRanking();
            p_.views->ClearSizeTreeList();
            p_.views->BarsNormal();
            p_.status.SetPanel(2, QString());
            // The branch is dropped and rebuilt: a current folder inside it would dangle.
            if (p_.navigation.CurrentFolder() && p_.navigation.CurrentFolder() != folder &&
                IsInBranch(p_.navigation.CurrentFolder(), folder))
                p_.navigation.SetCurrentFolder(folder);
            p_.escape.ClearAbort();
            {
                SinkScope sinkScope(p_.tree, sink_);
                // The gauge runs over the folders found; the size pass sets its range.
                p_.status.ShowGauge(100);
                RefreshBranchCore(p_.tree, folder, CountSystemFolders);
            }
            TSizeFolder* top = p_.tree.Top();
            p_.views->FillSizeTreeList(top);
            p_.widgets.fpc2->setCurrentIndex(kSizeTreePage);
            p_.views->ShowFolderCharts(top);
            p_.status.SetPanel(1, QString());
            if (top) p_.status.SetPanel(2, QString::fromStdString(FormatSize(top->CumulatedSize())));
            if (TSizeFolder* current = p_.navigation.CurrentFolder()) p_.views->FillSizeRanking(current);
            p_.sort.ApplySortMode();
        } catch (const std::exception& e) {
            p_.prompts.Message(QString::fromLocal8Bit(e.what()), Prompts::Kind::Error);
        }
    }
    p_.status.StartTimer3();
    sink_.Reset();
    emit Finished();
}

void ScanController::RequestStop() { sink_.Stop(); }

}  // namespace vantum::app
