#pragma once
// The result window of the file search ("Found files"): one row per found path with its name,
// extension and folder; a column click sorts, a double click opens the row's folder with the
// shell, and the pop-up menu saves the whole list as text or one-line CSV.

#include <QDialog>
#include <QUrl>
#include <functional>
#include <string>
#include <vector>

#include "core/file_search.h"

class QAction;
class QMenu;
class QTableWidget;

namespace vantum {
class Prompts;
}

namespace vantum::app {

class TFindFileForm : public QDialog {
    Q_OBJECT
public:
    using FolderOpener = std::function<bool(const QUrl&)>;
    inline static constexpr const char* kListHint =
        "Right click to save folder list to file\r\nas txt or csv\r\n\r\n"
        "Folder lists >12000 entries will not be\r\ndisplayed, but saved to file";
    inline static constexpr const char* kSaveListText = "Save list to file";

    // sortState lives as long as the program: each column keeps its direction across searches.
    TFindFileForm(Prompts& prompts, FolderOpener openFolder, FoundSortState& sortState, QWidget* parent = nullptr);

    // The list the window shows and saves; the window does not own it.
    void SetThefiles(const std::vector<std::string>* files) { thefiles_ = files; }
    const std::vector<std::string>* Thefiles() const { return thefiles_; }

    // Fills the rows from Thefiles, in order.
    void Fill();
    // Column click: sorts by that column, ascending first, reversed on each further click.
    void SortByColumn(int column);
    // Double click: opens the folder of the focused row.
    void OpenFocusedFolder();
    // The save step: dialog, then the chosen form. Errors are shown, never thrown.
    void SaveList();

    QTableWidget* ListView1() const { return list_; }
    QMenu* PopUp() const { return popup_; }
    QAction* SaveListAction() const { return saveAction_; }

private:
    void ShowRows();

    Prompts& prompts_;
    FolderOpener openFolder_;
    FoundSortState& sortState_;
    const std::vector<std::string>* thefiles_ = nullptr;
    std::vector<FoundRow> rows_;
    QTableWidget* list_;
    QMenu* popup_;
    QAction* saveAction_;
};

}  // namespace vantum::app
