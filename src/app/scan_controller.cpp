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
#include "gui/path_text.h"
#include "gui/prompts.h"
#include "app/sort_mode.h"
#include "app/window_layout.h"
#include "core/scan.h"
#include "core/size_format.h"
#include "core/size_tree.h"

namespace vantum::app {

namespace {

// The tree reports to the sink only while one of our operations runs.
class SinkScope {
public:
    SinkScope(TSizeTree& tree, ProgressSink& sink) : tree_(tree) { tree_.SetProgressSink(&sink); }
    ~SinkScope() { tree_.SetProgressSink(nullptr); }
    SinkScope(const SinkScope&) = delete;
    SinkScope& operator=(const SinkScope&) = delete;

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

QString TreeStateText(double totalMB, bool partial, int unreadable) {
    QString text = QString::fromStdString(FormatSize(totalMB));
    if (partial) text += QStringLiteral(" (partial)");
    if (unreadable == 1) text += QStringLiteral(", 1 folder could not be read");
    else if (unreadable > 1) text += QStringLiteral(", %1 folders could not be read").arg(unreadable);
    return text;
}

std::vector<std::string> SizePartialTree(TSizeTree& tree, ProgressSink& sink) {
    // Folders the stopped descent created but never listed count as empty: listing them now
    // could mean the very folder the user stopped in.
    std::vector<std::string> unfinished;
    std::vector<TSizeFolder*> stack{tree.Root.get()};
    while (!stack.empty()) {
        TSizeFolder* f = stack.back();
        stack.pop_back();
        if (f != tree.Root.get() && f->ListedBytes < 0) {
            std::string path = f->Path();
            if (!path.empty() && path.front() == '/') {
                f->ListedBytes = 0;
                unfinished.push_back(std::move(path));
            }
        }
        for (auto it = f->SubFolders.rbegin(); it != f->SubFolders.rend(); ++it) stack.push_back(it->get());
    }
    tree.State.ProgressPos = 0;
    sink.StepStarted(ProgressSink::Step::Sizing);
    sink.SizeRange(tree.State.FolderCount);
    tree.SumBranch(tree.Root.get());
    return unfinished;
}

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
        if (gui::IsExistingFolder(path) || ScanAllDrives) {
            p_.widgets.historyCombo->setEditText(path);
            p_.history.AddToHistory();
            ScanDriver(path);
        }
    }
    p_.status.CommandEnded();
}

void ScanController::EmptyViewsAndTree() {
    p_.navigation.ClearBackHistory();
    // Nothing may point into the tree once it is emptied.
    p_.views->ClearSizeRanking();
    p_.views->ClearSizeTreeList();
    p_.navigation.SetCurrentFolder(nullptr);
    p_.views->SetTreeNotes({});
    p_.tree.ClearBranch(p_.tree.Root.get());
    p_.views->BarsNormal();
    p_.status.SetTreeState(QString());
}

void ScanController::ScanDriver(const QString& path) {
    QElapsedTimer clock;
    clock.start();
    CommandStates::BusyScope busy(p_.states);
    RunningScope running(running_);
    try {
        if (gui::IsExistingFolder(path) || ScanAllDrives) {
            p_.status.SetPanel(1, QStringLiteral("Counting folders"));
            // An Escape from before this scan must not end it.
            p_.escape.ClearAbort();
            sink_.Pump();
            EmptyViewsAndTree();
            emit ScanStarted();

            const std::string target = ScanAllDrives ? std::string(kAllDrives) : gui::ToBytes(gui::WithTrailingSlash(path));
            const ScanOptions options{CountSystemFolders, ApparentSizes, 0};
            ScanResult r = vantum::Scan(p_.tree, target, options, sink_);
            TreeNotes notes;
            notes.unreadable = r.unreadable;
            if (r.aborted) {
                notes.partial = true;
                SinkScope sinkScope(p_.tree, sink_);
                notes.unfinished = SizePartialTree(p_.tree, sink_);
            }
            if (ScanAllDrives) p_.navigation.GoToPath(QString::fromLatin1(kAllDrivesText), false);
            TSizeFolder* top = r.top;
            if (top) {
                p_.views->FillSizeTreeList(top);
                p_.views->SetTreeNotes(notes);
                p_.widgets.fpc2->setCurrentIndex(kSizeTreePage);
                if (p_.widgets.pages->currentIndex() > kRankingPage) p_.widgets.pages->setCurrentIndex(kBarsPage);
                p_.navigation.SetCurrentFolder(top);
                p_.status.SetTreeState(TreeStateText(top->CumulatedSize(), notes.partial, notes.unreadable));
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
    p_.status.CommandEnded();
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
            p_.status.SetTreeState(QString());
            // The branch is dropped and rebuilt: a current folder inside it would dangle.
            if (p_.navigation.CurrentFolder() && p_.navigation.CurrentFolder() != folder &&
                IsInBranch(p_.navigation.CurrentFolder(), folder))
                p_.navigation.SetCurrentFolder(folder);
            p_.escape.ClearAbort();
            // The gauge runs over the folders found; the size pass sets its range.
            p_.status.ShowGauge(100);
            const bool wasTop = folder == p_.tree.Top();
            vantum::RefreshBranch(p_.tree, folder, CountSystemFolders, sink_);
            TSizeFolder* top = p_.tree.Top();
            p_.views->FillSizeTreeList(top);
            const int unreadable = top ? static_cast<int>(UnreadableFolders(*top).size()) : 0;
            // A complete rescan of the top makes a stopped scan whole again.
            if (wasTop && !sink_.Stopped()) p_.views->SetTreeNotes(TreeNotes{false, {}, unreadable});
            p_.widgets.fpc2->setCurrentIndex(kSizeTreePage);
            p_.views->ShowFolderCharts(top);
            p_.status.SetPanel(1, QString());
            if (top) p_.status.SetTreeState(TreeStateText(top->CumulatedSize(), false, unreadable));
            if (TSizeFolder* current = p_.navigation.CurrentFolder()) p_.views->FillSizeRanking(current);
            p_.sort.ApplySortMode();
        } catch (const std::exception& e) {
            p_.prompts.Message(QString::fromLocal8Bit(e.what()), Prompts::Kind::Error);
        }
    }
    p_.status.CommandEnded();
    sink_.Reset();
    emit Finished();
}

void ScanController::RequestStop() { sink_.Stop(); }

}  // namespace vantum::app
