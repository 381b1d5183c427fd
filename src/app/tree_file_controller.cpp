#include "app/tree_file_controller.h"

#include <QAction>
#include <QKeySequence>
#include <QStackedWidget>
#include <algorithm>
#include <exception>

#include "app/analyser_views.h"
#include "app/command_states.h"
#include "app/gauge_status.h"
#include "app/navigation.h"
#include "gui/path_text.h"
#include "gui/prompts.h"
#include "app/window_layout.h"
#include "core/size_tree.h"
#include "core/tree_file.h"

namespace vantum::app {

namespace {

QAction* MakeAction(QObject* owner, const char* name, const char* caption, const char* hint, QKeySequence key) {
    auto* a = new QAction(QString::fromLatin1(caption), owner);
    a->setObjectName(QString::fromLatin1(name));
    a->setToolTip(QString::fromLatin1(hint));
    a->setStatusTip(QString::fromLatin1(hint));
    a->setShortcut(key);
    a->setShortcutContext(Qt::WindowShortcut);
    return a;
}

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

QString ErrorText(const std::exception& e) { return QString::fromLocal8Bit(e.what()); }

}  // namespace

TreeFileController::TreeFileController(const Parts& parts, QObject* parent)
    : QObject(parent), p_(parts), sink_(parts.status, parts.escape) {
    actSave = MakeAction(this, "actSave", "S&ave size tree as", "Save current file size tree",
                         QKeySequence(Qt::CTRL | Qt::Key_S));
    actOpen = MakeAction(this, "actOpen", "&Open stored size tree", "Open current file size tree",
                         QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(actSave, &QAction::triggered, this, &TreeFileController::actSaveExecute);
    connect(actOpen, &QAction::triggered, this, &TreeFileController::actOpenExecute);
}

void TreeFileController::actSaveExecute() {
    if (p_.states.IsBusy()) return;
    TSizeFolder* current = p_.navigation.CurrentFolder();
    if (!current || !p_.tree.Top()) return;
    // The whole tree is saved; the title only names the current folder.
    std::optional<Prompts::FileChoice> choice =
        p_.prompts.SaveFile(QString::fromLatin1(kSaveTreeTitle) + gui::FromBytes(current->Name),
                            QString::fromLatin1(kTreeFileFilter), QString::fromLatin1(kTreeFileExtension), QString(),
                            QString(), true);
    if (!choice || choice->path.isEmpty()) return;

    QString error;
    {
        CommandStates::BusyScope busy(p_.states);
        // The range is the number of records: FolderCount belongs to the last scan and is
        // stale once a tree has been read from a file.
        p_.status.ShowGauge(std::max(1, p_.tree.CountFolders(p_.tree.Root.get())));
        sink_.Reset();
        try {
            SinkScope sinkScope(p_.tree, sink_);
            SaveToFile(p_.tree, gui::ToBytes(choice->path));
            p_.status.SetPosition(p_.status.Maximum());
        } catch (const std::exception& e) {
            error = ErrorText(e);
        }
    }
    if (!error.isEmpty()) p_.prompts.Message(error, Prompts::Kind::Error);
    p_.status.CommandEnded();
}

void TreeFileController::actOpenExecute() {
    if (p_.states.IsBusy()) return;
    std::optional<Prompts::FileChoice> choice =
        p_.prompts.OpenFile(QStringLiteral("Open stored size tree"), QString::fromLatin1(kTreeFileFilter),
                            QString::fromLatin1(kTreeFileExtension), QString());
    if (!choice || choice->path.isEmpty()) return;
    // The reader sets the real range from the file's size.
    p_.status.ShowGauge(1000);
    ReloadTreeFile(choice->path);
    p_.status.CommandEnded();
}

void TreeFileController::EmptyViewsAndTree() {
    p_.navigation.ClearBackHistory();
    p_.views->ClearSizeTreeList();
    p_.views->ClearSizeRanking();
    p_.views->SetTreeNotes({});
    p_.views->ClearBars();
    // Nothing may point into the tree once it is emptied.
    p_.navigation.SetCurrentFolder(nullptr);
    SetReloaded(false);
    p_.tree.ClearBranch(p_.tree.Root.get());
    p_.views->BarsNormal();
    p_.status.SetTreeState(QString());
}

bool TreeFileController::ReloadTreeFile(const QString& fileName) {
    if (p_.states.IsBusy()) return false;
    QString error;
    {
        CommandStates::BusyScope busy(p_.states);
        EmptyViewsAndTree();
        sink_.Reset();
        try {
            SinkScope sinkScope(p_.tree, sink_);
            LoadFromFile(p_.tree, gui::ToBytes(fileName));
        } catch (const std::exception& e) {
            error = ErrorText(e);
        }
        TSizeFolder* top = p_.tree.Top();
        if (error.isEmpty() && top) {
            p_.views->FillSizeTreeList(top);
            p_.widgets.fpc2->setCurrentIndex(kSizeTreePage);
            if (p_.widgets.pages->currentIndex() > kRankingPage) p_.widgets.pages->setCurrentIndex(kBarsPage);
            // The first row: its folder becomes current, its charts are drawn, and the explorer
            // follows when the folder exists on this machine.
            p_.navigation.ShowTreeFolder(top);
            SetReloaded(true);
            // Not re-sorted: the list keeps the file's order until a sort is chosen.
            p_.views->FillSizeRanking(top);
            p_.status.SetTreeState(QString::fromLatin1(kTreeReloadedText));
        } else {
            // The part read before the error is never shown; drop it so that nothing can reach it.
            p_.tree.ClearBranch(p_.tree.Root.get());
            if (error.isEmpty()) error = QStringLiteral("Stream read error");
        }
    }
    if (!error.isEmpty()) p_.prompts.Message(error, Prompts::Kind::Error);
    return error.isEmpty();
}

void TreeFileController::SetReloaded(bool on) {
    reloaded_ = on;
    p_.views->SetRestored(on);
}

}  // namespace vantum::app
