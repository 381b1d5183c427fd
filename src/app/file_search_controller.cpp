#include "app/file_search_controller.h"

#include <QAction>
#include <QApplication>
#include <algorithm>
#include <exception>
#include <optional>

#include "app/command_states.h"
#include "app/escape_watcher.h"
#include "app/gauge_status.h"
#include "app/navigation.h"
#include "gui/path_text.h"
#include "gui/prompts.h"
#include "core/size_tree.h"

namespace vantum::app {

namespace {

QAction* MakeFindAction(QObject* owner, const char* name, const char* caption) {
    auto* a = new QAction(QString::fromLatin1(caption), owner);
    a->setObjectName(QString::fromLatin1(name));
    const QString hint = QStringLiteral("Fast search for files in size tree");
    a->setToolTip(hint);
    a->setStatusTip(hint);
    return a;
}

// The arrow instead of the hourglass while a dialog waits for the user.
class ArrowCursorScope {
public:
    ArrowCursorScope() { QApplication::setOverrideCursor(Qt::ArrowCursor); }
    ~ArrowCursorScope() { QApplication::restoreOverrideCursor(); }
    ArrowCursorScope(const ArrowCursorScope&) = delete;
    ArrowCursorScope& operator=(const ArrowCursorScope&) = delete;
};

}  // namespace

FileSearchController::FileSearchController(Parts parts, QObject* parent)
    : QObject(parent), p_(std::move(parts)), sink_(p_.status, p_.escape) {
    actFindFiles = MakeFindAction(this, "actFindFiles", "Find files in Root");
    actfindfilescurrent = MakeFindAction(this, "actfindfilescurrent", "Find files in current folder");
    connect(actFindFiles, &QAction::triggered, this, [this] { FindFiles(true); });
    connect(actfindfilescurrent, &QAction::triggered, this, [this] { FindFiles(false); });
    runForm_ = [](TFindFileForm& form) { form.exec(); };
}

void FileSearchController::RequestStop() {
    stopRequested_ = true;
    sink_.Stop();
}

void FileSearchController::FindFiles(bool wholeTree) {
    if (p_.states.IsBusy()) return;
    stopRequested_ = false;
    TSizeFolder* current = p_.navigation.CurrentFolder();
    TSizeFolder* start = wholeTree ? p_.tree.Top() : current;
    if (!current || !start) {
        p_.prompts.Message(QString::fromLatin1(kScanFirstText), Prompts::Kind::Information);
        return;
    }
    std::vector<std::string> files;
    {
        // Busy from the question on: the walk reads the tree while the window keeps painting.
        std::optional<CommandStates::BusyScope> busy(std::in_place, p_.states);
        if (wholeTree) p_.status.ShowGauge(std::max(1, p_.tree.CountFolders(start)));

        std::string pattern;
        {
            ArrowCursorScope arrow;
            // A cancelled box searches for the empty pattern, which finds nothing.
            std::optional<QString> answer = p_.prompts.Input(
                QString::fromLatin1(kSearchCaption), gui::FromBytes(SearchPrompt(start->Path())), QString());
            if (answer) pattern = gui::ToBytes(*answer);
        }

        p_.escape.EscapePressed = false;
        p_.escape.ClearAbort();
        sink_.Reset();
        try {
            files = FindFilesInTree(*start, pattern, sink_, wholeTree).paths;
        } catch (const std::exception& e) {
            busy.reset();
            p_.prompts.Message(QString::fromLocal8Bit(e.what()), Prompts::Kind::Error);
            p_.status.CommandEnded();
            return;
        }
    }
    // The search is over: no gauge under the result window.
    p_.status.CommandEnded();
    if (stopRequested_) return;  // the window is closing: no result window
    if (files.empty()) files.emplace_back(kNoItemFound);

    TFindFileForm form(p_.prompts, p_.openFolder, sortState_, p_.formParent);
    form.SetThefiles(&files);
    ShowOrSave(form, files.size());
}

void FileSearchController::ShowOrSave(TFindFileForm& form, std::size_t hits) {
    if (hits < kMaxShownHits) {
        form.Fill();
        runForm_(form);
        return;
    }
    if (p_.prompts.Ask(QString::fromLatin1(kTooManyHitsQuestion), Prompts::Buttons::YesNo, Prompts::Kind::Warning) ==
        Prompts::Answer::Yes)
        form.SaveList();
}

}  // namespace vantum::app
