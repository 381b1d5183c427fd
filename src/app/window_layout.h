#pragma once
// The main window's controls, built and laid out in one place. Controllers get this struct and
// act on the controls; the layout itself has no behaviour.

#include <array>

class QComboBox;
class QFileSystemModel;
class QLabel;
class QMainWindow;
class QMenuBar;
class QProgressBar;
class QSplitter;
class QStackedWidget;
class QStatusBar;
class QToolButton;
class QTreeView;
class QWidget;

namespace vantum::app {

struct AppActions;
class WrapToolBar;

// Pages of FlatPageControl1.
enum RightPage { kBarsPage = 0, kPiesPage, kRankingPage, kExplorerPage, kTempPage, kShortcutsPage, kTracesPage };
inline constexpr int kRightPageCount = 7;
// Pages of FPC2.
enum LeftPage { kExplorerTreePage = 0, kSizeTreePage = 1 };

inline constexpr int kPanel1DesignWidth = 233;
inline constexpr std::array<int, 3> kStatusPanelWidths{270, 300, 90};

struct WindowWidgets {
    QMainWindow* window = nullptr;
    QMenuBar* menuBar = nullptr;

    QWidget* coolBar = nullptr;
    WrapToolBar* toolBar7 = nullptr;  // scan tools
    WrapToolBar* toolBar1 = nullptr;  // view switches
    QWidget* toolBar9 = nullptr;      // label band
    QLabel* bandLabel = nullptr;
    QToolButton* scanButton = nullptr;     // ToolButton10
    QToolButton* scanAllButton = nullptr;  // ToolButton38
    QToolButton* cleanAllButton = nullptr; // ToolButton14

    QSplitter* splitter = nullptr;  // Splitter1
    QWidget* panel1 = nullptr;
    WrapToolBar* toolBar8 = nullptr;
    QToolButton* explorerTreeButton = nullptr;  // ToolButton12
    QToolButton* sizeTreeButton = nullptr;      // ToolButton13
    QStackedWidget* fpc2 = nullptr;
    QTreeView* dirTree = nullptr;
    QFileSystemModel* dirModel = nullptr;
    QLabel* label5 = nullptr;  // spacer under the explorer tree
    QLabel* label4 = nullptr;  // spacer under the size tree
    QWidget* sizeTreeHost = nullptr;  // where the size tree list goes
    QProgressBar* gauge = nullptr;

    QWidget* panel2 = nullptr;
    WrapToolBar* toolBar2 = nullptr;  // page buttons
    std::array<QToolButton*, kRightPageCount> pageButtons{};
    QStackedWidget* pages = nullptr;  // FlatPageControl1
    QWidget* barsHost = nullptr;
    QWidget* piesHost = nullptr;
    QWidget* rankingHost = nullptr;
    QWidget* comboPanel = nullptr;
    QComboBox* historyCombo = nullptr;

    QStatusBar* statusBar = nullptr;
    std::array<QLabel*, 3> panels{};
};

// Builds every control of the window into it, using the actions for menus and tool buttons.
WindowWidgets BuildWindowLayout(QMainWindow* window, const AppActions& actions);
// Puts the view switches beside the scan tools, or below them when the window is narrow.
void ArrangeCoolBar(WindowWidgets& w);

}  // namespace vantum::app
