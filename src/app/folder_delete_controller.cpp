#include "app/folder_delete_controller.h"

#include <QCoreApplication>

#include "app/command_states.h"
#include "app/escape_watcher.h"
#include "app/gauge_status.h"
#include "gui/path_text.h"
#include "app/prompt_file_questions.h"
#include "gui/prompts.h"
#include "app/scan_controller.h"
#include "core/progress.h"
#include "core/size_format.h"
#include "core/size_tree.h"
#include "filemgr/file_operations.h"

namespace vantum::app {

namespace {

// Progress of the delete on the window's gauge; Escape cancels between items.
class DeleteProgress : public ProgressSink {
public:
    DeleteProgress(GaugeStatus& status, EscapeWatcher& escape) : status_(status), escape_(escape) {}
    void SizeRange(int maximum) override { status_.ShowGauge(maximum); }
    void SizeProgress(int position) override { status_.SetPosition(position); }
    void ScanCount(int items) override {
        status_.SetPanel(1, QStringLiteral("%1 items deleted").arg(items));
    }
    bool AbortRequested() override { return escape_.TakeAbortRequest(); }
    void Idle() override { QCoreApplication::processEvents(); }

private:
    GaugeStatus& status_;
    EscapeWatcher& escape_;
};

// The folder of the tree with this path: the top folder too, which FindFolder skips.
TSizeFolder* FolderByPath(const TSizeTree& tree, const std::string& path) {
    TSizeFolder* top = tree.Top();
    if (!top) return nullptr;
    if (top->Path() == path) return top;
    // FindFolder answers the top folder when it knows no such path.
    TSizeFolder* found = tree.FindFolder(path);
    return found && found->Path() == path ? found : nullptr;
}

}  // namespace

QString TrashedStatusText(std::uint64_t bytes, std::size_t items) {
    const QString size = QString::fromStdString(FormatSize(static_cast<double>(bytes) / 1048576.0)).trimmed();
    const QString what = items == 1 ? size : QStringLiteral("%1 in %2 items").arg(size).arg(items);
    return QStringLiteral("%1 moved to the trash; emptying the trash frees it").arg(what);
}

FolderDeleteController::FolderDeleteController(const Parts& parts, QObject* parent) : QObject(parent), p_(parts) {}

const platform::ProtectedPaths& FolderDeleteController::Rule() {
    if (!rule_) rule_ = platform::ProtectedPaths::ForThisSystem();
    return *rule_;
}

bool FolderDeleteController::DeleteToTrash(TSizeFolder* folder, Refresh refresh) {
    if (!folder || p_.states.IsBusy() || p_.scan.Running()) return false;
    std::string path = folder->Path();
    if (path.empty() || path == kAllDrives) return false;
    if (path.size() > 1 && path.back() == '/') path.pop_back();
    // Paths, not nodes, cross the dialogs: the tree is looked up again afterwards.
    TSizeFolder* branch = folder;
    if (refresh == Refresh::Parent && folder->Parent && folder->Parent != p_.tree.Root.get()) branch = folder->Parent;
    const std::string branchPath = branch->Path();

    if (Rule().IsProtected(path)) {
        p_.prompts.Message(QStringLiteral("\"%1\" is a protected folder of the system or the user and is not deleted.")
                               .arg(gui::FromBytes(path)),
                           Prompts::Kind::Error);
        return false;
    }

    PromptFileQuestions questions(p_.prompts);
    DeleteProgress progress(p_.status, p_.escape);
    FileOpReport report;
    FileOpServices services;
    services.questions = &questions;
    services.sink = &progress;
    services.protectedPaths = &Rule();
    if (!trash_) trash_.emplace();
    services.trash = &*trash_;
    services.report = &report;
    {
        CommandStates::BusyScope busy(p_.states);
        p_.escape.ClearAbort();
        DeletePaths(JoinPathList({path}), false, true, services);
    }
    p_.status.CommandEnded();
    // Declined, or refused before anything changed on disk: the tree stays as it is.
    if (report.items == 0 && report.trashed.empty() && report.bytes == 0) return false;

    if (TSizeFolder* again = FolderByPath(p_.tree, branchPath)) p_.scan.RefreshBranch(again);
    const QString done = !report.trashed.empty()
                             ? TrashedStatusText(report.bytes, report.trashed.size())
                             : QStringLiteral("%1 deleted permanently").arg(gui::FromBytes(path));
    // The tree state panel keeps it until the next scan or refresh; panels 0 and 1 clear at once.
    p_.status.SetTreeState(p_.status.TreeState() + QStringLiteral("  -  ") + done);
    emit Deleted(gui::FromBytes(path));
    return true;
}

}  // namespace vantum::app
