#pragma once
// "Find files in Root" and "Find files in current folder": asks for a pattern, lists the
// matching files of the folders the size tree knows (Escape stops the listing), and shows
// the hits in the result window or, above its limit, offers to save them instead.

#include <QObject>
#include <QString>
#include <functional>

#include "app/find_files_form.h"
#include "app/scan_progress.h"
#include "core/file_search.h"

class QAction;
class QWidget;

namespace vantum {
class Prompts;
class TSizeFolder;
class TSizeTree;
}  // namespace vantum

namespace vantum::app {

class CommandStates;
class EscapeWatcher;
class GaugeStatus;
class Navigation;

class FileSearchController : public QObject {
    Q_OBJECT
public:
    struct Parts {
        TSizeTree& tree;
        Navigation& navigation;
        GaugeStatus& status;
        CommandStates& states;
        EscapeWatcher& escape;
        Prompts& prompts;
        TFindFileForm::FolderOpener openFolder;  // the shell's "open" for a folder
        QWidget* formParent = nullptr;
    };
    // Shows the filled result window; the default runs it modally.
    using FormRunner = std::function<void(TFindFileForm&)>;

    explicit FileSearchController(Parts parts, QObject* parent = nullptr);

    QAction* actFindFiles;         // the whole tree, from the top folder
    QAction* actfindfilescurrent;  // from the current folder

    void FindFiles(bool wholeTree);
    // Ends a running search at its next check and shows no result (the window is closing).
    void RequestStop();
    void SetFormRunner(FormRunner runner) { runForm_ = std::move(runner); }
    // Column directions of the result window, kept for as long as the program runs.
    const FoundSortState& SortState() const { return sortState_; }

private:
    void ShowOrSave(TFindFileForm& form, std::size_t hits);

    Parts p_;
    ScanProgressSink sink_;
    bool stopRequested_ = false;
    FoundSortState sortState_;
    FormRunner runForm_;
};

}  // namespace vantum::app
