#pragma once
// Every action of the main window with its caption, hint and shortcut, and the main menu built
// from them. Actions whose commands are not part of the program yet exist (their names are
// used by others) but are disabled with a tool tip saying so.

#include <QAction>
#include <QString>
#include <vector>

class QMenuBar;
class QObject;

namespace vantum::app {

inline constexpr const char* kNotAvailableYet = "Not available yet";

struct AppActions {
    // File
    QAction* actBrowseDir = nullptr;
    QAction* actRun = nullptr;
    QAction* actrefresh = nullptr;
    QAction* actUpOneDir = nullptr;
    QAction* actSave = nullptr;
    QAction* actExport = nullptr;
    QAction* actOpen = nullptr;
    QAction* actPrint = nullptr;
    QAction* actPrintVST = nullptr;
    QAction* actExit = nullptr;
    // View
    QAction* actFolderHistory = nullptr;
    QAction* actToggleDirTree = nullptr;
    QAction* actToggleCharts = nullptr;
    QAction* actExpandSizeTree = nullptr;
    QAction* Action5 = nullptr;
    QAction* Action8 = nullptr;  // "Blue Design", not in the menu
    // Chart view
    QAction* act3D = nullptr;
    QAction* actExplode = nullptr;
    QAction* actLabels = nullptr;
    QAction* actshowLegend = nullptr;
    QAction* actFreeSpace = nullptr;
    QAction* actElypticPie = nullptr;
    QAction* actRotateLeft = nullptr;
    QAction* actRotateRight = nullptr;
    QAction* actSortName = nullptr;
    QAction* actSortSize = nullptr;
    // Functions
    QAction* actSaveAsPicture = nullptr;
    QAction* actBarClbd = nullptr;
    QAction* actPieClbd = nullptr;
    // Tools
    QAction* actPreferences = nullptr;
    // Help
    QAction* actAbout = nullptr;
    QAction* actCheckForUpdate = nullptr;
    QAction* acthelp = nullptr;
    QAction* actHelpCnt = nullptr;
    QAction* actHelpIDX = nullptr;
    // Tool bars only
    QAction* actShowHints2 = nullptr;
    QAction* actHardDiskSpace = nullptr;
    QAction* actBack = nullptr;

    std::vector<QAction*> all;

    // The action with this object name, or null.
    QAction* Find(const QString& name) const;
};

// Creates every action as a child of owner (window-wide shortcuts).
AppActions CreateActions(QObject* owner);
// Marks an action as not built yet: disabled, with the tool tip saying so.
void MarkNotAvailable(QAction* action);
// Puts a controller's own action in the place of a placeholder (slot): in every menu and
// widget that shows the placeholder and in the list; the placeholder is deleted.
void ReplaceAction(AppActions& actions, QAction*& slot, QAction* replacement);
// Fills the menu bar with the menus of the main menu.
void BuildMainMenu(QMenuBar* bar, const AppActions& a);

}  // namespace vantum::app
