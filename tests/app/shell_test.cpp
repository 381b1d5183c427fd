// The window's controls, switches, gauge, tips and sizing rules.
#include <gtest/gtest.h>

#include <QTextBrowser>

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QLayout>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include "app/escape_watcher.h"
#include "app/gauge_status.h"
#include "app/layout_rules.h"
#include "app/navigation.h"
#include "app/tip_window.h"
#include "app/view_switches.h"
#include "app/window_layout.h"
#include "app/wrap_tool_bar.h"
#include "core/size_tree.h"
#include "window_harness.h"

using namespace vantum;
using namespace vantum::app;
using vantum::test::TestWindow;

namespace {

template <class T = QWidget>
T* Child(MainWindow& w, const char* name) {
    return w.findChild<T*>(QString::fromLatin1(name));
}

TEST(Shell, ControlsCarryTheirNamesAndCaptions) {
    TestWindow t;
    MainWindow& w = *t;
    w.Activate();
    EXPECT_EQ(w.objectName(), "Form1");
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Vantum v.") + VANTUM_VERSION);
    EXPECT_GE(w.minimumWidth(), 500);
    EXPECT_GE(w.minimumHeight(), 400);
    for (const char* name : {"ActionMainMenuBar1", "CoolBar1", "ToolBar7", "ToolBar1", "ToolBar9", "Splitter1",
                             "Panel1", "ToolBar8", "FPC2", "TabSheet7", "TabSheet8", "DirTree", "Label5", "Label4",
                             "Gauge", "Panel2", "ToolBar2", "FlatPageControl1", "ComboPanel", "HistoryCombo",
                             "StatusBar1"})
        EXPECT_NE(Child(w, name), nullptr) << name;
    struct Button {
        const char* name;
        const char* text;
    };
    for (Button b : {Button{"ToolButton10", "Scan"}, {"ToolButton38", "Scan all"}, {"ToolButton12", "Explorer tree"},
                     {"ToolButton13", "SizeTree"}, {"ToolButton3", "Bar chart"}, {"ToolButton6", "Pie chart"},
                     {"ToolButton45", "Size ranking"}, {"ToolButton5", "Explorer list view"},
                     {"ToolButton7", "Clean temp files"}, {"ToolButton8", "Clean shortcuts"},
                     {"ToolButton47", "Clean IE Traces"}, {"ToolButton14", "Clean all"}}) {
        auto* tb = Child<QToolButton>(w, b.name);
        ASSERT_NE(tb, nullptr) << b.name;
        EXPECT_EQ(tb->text(), QString::fromLatin1(b.text));
    }
    for (const char* name : {"ToolButton54", "ToolButton11", "ToolButton4", "ToolButton33", "ToolButton34",
                             "ToolButton24", "ToolButton32"})
        EXPECT_NE(Child<QToolButton>(w, name), nullptr) << name;
    EXPECT_EQ(Child<QToolButton>(w, "ToolButton32")->toolTip(), "foreward");

    // Seven right pages in order, two left pages; the view places exist and take a layout.
    auto* pages = Child<QStackedWidget>(w, "FlatPageControl1");
    ASSERT_EQ(pages->count(), 7);
    const char* pageNames[] = {"TabSheet3", "TabSheet4", "TabSheet6", "TabSheet2", "TabSheet1", "TabSheet5", "TabSheet9"};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(pages->widget(i)->objectName(), pageNames[i]);
    for (QWidget* host : {w.Widgets().sizeTreeHost, w.Widgets().barsHost, w.Widgets().piesHost,
                          w.Widgets().rankingHost})
        EXPECT_NE(host->layout(), nullptr);

    // Status bar panels.
    EXPECT_EQ(w.Widgets().panels[0]->width(), 270);
    EXPECT_EQ(w.Widgets().panels[2]->width(), 90);
}

TEST(Shell, MenusAndShortcuts) {
    TestWindow t;
    AppActions& a = t->Actions();
    QStringList menus;
    for (QAction* m : t->Widgets().menuBar->actions()) menus << m->text();
    EXPECT_EQ(menus, (QStringList{"&File", "V&iew", "&Chart view", "F&unctions", "&Tools", "&Help"}));
    EXPECT_EQ(a.actRun->shortcut(), QKeySequence(Qt::Key_F9));
    EXPECT_EQ(a.actUpOneDir->shortcut(), QKeySequence(Qt::Key_F8));
    EXPECT_EQ(a.actExit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    EXPECT_EQ(a.actToggleDirTree->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_T));
    EXPECT_EQ(a.actBrowseDir->text(), "&BrowseDir");
    EXPECT_EQ(a.actToggleDirTree->toolTip(), "Toggles Explorer panel");
    EXPECT_EQ(a.actUpOneDir->toolTip(), "Up to Parent Directory");
    for (QAction* act : {a.actAbout, a.actCheckForUpdate, a.actHardDiskSpace}) EXPECT_TRUE(act->isEnabled());
    // Commands of later work are present but disabled and say so.
    for (QAction* act : {a.actPrint, a.actPreferences}) {
        EXPECT_FALSE(act->isEnabled()) << act->objectName().toStdString();
        EXPECT_EQ(act->toolTip(), kNotAvailableYet);
    }
    // The tree commands start disabled: there is no current folder.
    EXPECT_FALSE(a.actExport->isEnabled());
    EXPECT_EQ(a.actExport->toolTip(), "Save size list data to file, print or generate HTML Report");
    EXPECT_FALSE(a.actrefresh->isEnabled());
    EXPECT_FALSE(a.actToggleCharts->isEnabled());
    EXPECT_FALSE(a.actUpOneDir->isEnabled());
    EXPECT_FALSE(a.actBack->isEnabled());
    EXPECT_TRUE(a.actRun->isEnabled());
}

TEST(Shell, DirPanelToggleRule) {
    struct Case {
        int panel, remembered, window;
        DirPanelToggle want;
    };
    for (Case c : {Case{233, 0, 900, {1, 233}},    // collapse remembers
                   Case{1, 233, 900, {233, 233}},  // restore to the remembered width
                   Case{1, 0, 900, {150, 0}},      // nothing remembered
                   Case{100, 0, 900, {150, 0}},    // 100 counts as collapsed
                   Case{1, 950, 900, {150, 950}},  // remembered width no longer fits
                   Case{101, 50, 900, {1, 101}}}) {
        DirPanelToggle got = ToggleDirPanel(c.panel, c.remembered, c.window);
        EXPECT_EQ(got.panelWidth, c.want.panelWidth) << c.panel << "/" << c.remembered;
        EXPECT_EQ(got.remembered, c.want.remembered) << c.panel << "/" << c.remembered;
    }
}

TEST(Shell, CollapseAndRestoreThePanel) {
    TestWindow t;
    t->Activate();
    ViewSwitches& s = t->Switches();
    s.SetDirPanelWidth(240);
    ASSERT_EQ(s.DirPanelWidth(), 240);
    t->Actions().actToggleDirTree->trigger();
    EXPECT_EQ(s.DirPanelWidth(), 1);
    t->Actions().actToggleDirTree->trigger();
    EXPECT_EQ(s.DirPanelWidth(), 240);
}

TEST(Shell, WrapRuleCountsEachButtonTwice) {
    EXPECT_EQ(WrapFlags({30, 30, 30, 30, 30}, 100), (std::vector<bool>{false, false, true, false, false}));
    EXPECT_EQ(WrapFlags({30, 30}, 1000), (std::vector<bool>{false, false}));
    EXPECT_EQ(WrapFlags({}, 10), std::vector<bool>{});
    // A button wider than the bar ends its own row.
    EXPECT_EQ(WrapFlags({200, 10}, 100), (std::vector<bool>{true, false}));
}

TEST(Shell, ToolBarsWrapInANarrowWindow) {
    TestWindow t;
    t->Activate();
    t->resize(1600, 600);
    QApplication::processEvents();
    WrapToolBar* bar = t->Widgets().toolBar1;
    const int wideRows = bar->RowCount();
    t->resize(600, 600);
    QApplication::processEvents();
    EXPECT_GT(bar->RowCount(), wideRows);
    // Buttons stay inside the bar, and the bar is as tall as its rows.
    for (QToolButton* b : bar->Buttons()) EXPECT_LE(b->geometry().right(), bar->width());
    EXPECT_GE(bar->height(), bar->RowCount() * bar->Buttons().front()->height());
    // Status panel 1 takes what the others leave.
    EXPECT_EQ(t->Widgets().panels[1]->width(),
              StatusPanel1Width(t->Widgets().statusBar->width(), 270, 90));
}

TEST(Shell, PageButtonsSwitchPages) {
    TestWindow t;
    t->Activate();
    WindowWidgets& w = t->Widgets();
    // Without a current folder the chart buttons leave the left page alone.
    w.fpc2->setCurrentIndex(kExplorerTreePage);
    w.pageButtons[kPiesPage]->click();
    EXPECT_EQ(w.pages->currentIndex(), kPiesPage);
    EXPECT_EQ(w.fpc2->currentIndex(), kExplorerTreePage);
    w.pageButtons[kTracesPage]->click();
    EXPECT_EQ(w.pages->currentIndex(), kTracesPage);
    w.sizeTreeButton->click();
    EXPECT_EQ(w.fpc2->currentIndex(), kSizeTreePage);
    w.pageButtons[kExplorerPage]->click();
    EXPECT_EQ(w.pages->currentIndex(), kExplorerPage);
    EXPECT_EQ(w.fpc2->currentIndex(), kExplorerTreePage);
    w.pageButtons[kRankingPage]->click();
    EXPECT_EQ(w.fpc2->currentIndex(), kExplorerTreePage);
    // With one, the bar chart button brings the size tree along.
    t->Nav().SetCurrentFolder(t->Tree().Root->AddSubFolder("/x/"));
    w.pageButtons[kBarsPage]->click();
    EXPECT_EQ(w.pages->currentIndex(), kBarsPage);
    EXPECT_EQ(w.fpc2->currentIndex(), kSizeTreePage);
    EXPECT_TRUE(w.pageButtons[kBarsPage]->isChecked());
    t->Nav().SetCurrentFolder(nullptr);
}

TEST(Shell, FolderHistorySwitch) {
    TestWindow t;
    t->Activate();
    WindowWidgets& w = t->Widgets();
    ASSERT_FALSE(w.comboPanel->isVisible());
    t->Actions().actFolderHistory->trigger();
    EXPECT_TRUE(w.comboPanel->isVisible());
    EXPECT_TRUE(w.historyCombo->isVisible());
    EXPECT_EQ(w.label5->height(), 20);
    t->Actions().actFolderHistory->trigger();
    EXPECT_FALSE(w.comboPanel->isVisible());
    EXPECT_EQ(w.label5->height(), 0);
}

TEST(Shell, GaugeAndTimer3) {
    TestWindow t;
    t->Activate();
    GaugeStatus& g = t->Status();
    g.ShowGauge(0);
    EXPECT_FALSE(g.GaugeVisible());
    g.StartTimer3();
    g.ShowGauge(40);  // stops the timer
    EXPECT_FALSE(g.Timer3().isActive());
    EXPECT_TRUE(g.GaugeVisible());
    EXPECT_EQ(g.Maximum(), 40);
    EXPECT_EQ(t->Widgets().label4->height(), 6);
    g.SetPosition(133);  // clamps
    EXPECT_EQ(g.Position(), 40);
    g.SetPosition(-3);
    EXPECT_EQ(g.Position(), 0);
    g.SetPanel(1, "working");
    g.StartTimer3();
    EXPECT_TRUE(g.Timer3().isActive());
    EXPECT_EQ(g.Timer3().interval(), 2000);
    g.Timer3Timer();
    EXPECT_FALSE(g.GaugeVisible());
    EXPECT_EQ(g.Panel(1), "");
    EXPECT_EQ(g.Panel(0), t->Nav().CurrentPath());
    EXPECT_EQ(t->Widgets().label4->height(), 0);
}

TEST(Shell, EscapeIsSeenAndPassedOn) {
    TestWindow t;
    t->Activate();
    EscapeWatcher& e = t->Escape();
    e.EscapePressed = false;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(t->Widgets().dirTree, &press);
    EXPECT_TRUE(e.EscapePressed);
    EXPECT_TRUE(e.TakeAbortRequest());
    EXPECT_FALSE(e.TakeAbortRequest());  // taken once
    QKeyEvent other(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    e.EscapePressed = false;
    QApplication::sendEvent(t->Widgets().dirTree, &other);
    EXPECT_FALSE(e.EscapePressed);
}

TEST(Shell, TipWindowDrawsItsFrameAndHidesAfterTenSeconds) {
    vantum::test::App();
    TMyHintWindow tip;
    tip.ShowTip(QPoint(10, 10), "Line one\r\nline two");
    EXPECT_EQ(tip.text(), "Line one\nline two");
    QImage img = tip.grab().toImage();
    ASSERT_FALSE(img.isNull());
    const QColor frame(0xFF, 0xCC, 0x00);
    EXPECT_EQ(QColor(img.pixel(0, img.height() / 2)), frame);
    EXPECT_EQ(QColor(img.pixel(img.width() / 2, img.height() - 1)), frame);
    EXPECT_EQ(QColor(img.pixel(img.width() / 2, img.height() / 2 + 2)).rgb() != frame.rgb(), true);
    EXPECT_EQ(TMyHintWindow::kHidePause, 10000);
}

TEST(Shell, HintsOffShowNoTips) {
    TestWindow t;
    t->Activate();
    QToolButton* b = t->Widgets().scanButton;
    QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), b->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(b, &help);
    EXPECT_TRUE(t->Tips().Tip().isVisible());
    EXPECT_TRUE(t->Tips().Tip().text().startsWith("Scan selected dir:"));
    t->Tips().Tip().hide();
    t->Actions().actShowHints2->trigger();  // off
    EXPECT_FALSE(t->Actions().actShowHints2->isChecked());
    QHelpEvent again(QEvent::ToolTip, QPoint(2, 2), b->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(b, &again);
    EXPECT_FALSE(t->Tips().Tip().isVisible());
}

TEST(Shell, BlueDesignColoursTheMenuBar) {
    TestWindow t;
    t->Activate();
    QWidget* bar = t->Widgets().menuBar;
    EXPECT_EQ(bar->palette().color(QPalette::Window), QColor(Qt::white));
    QImage plain = bar->grab().toImage();
    EXPECT_EQ(QColor(plain.pixel(plain.width() - 3, plain.height() / 2)), QColor(Qt::white));
    t->Actions().Action8->trigger();
    QImage blue = bar->grab().toImage();
    EXPECT_EQ(QColor(blue.pixel(blue.width() - 3, blue.height() / 2)), QColor(0xA6, 0xCA, 0xF0));
    EXPECT_EQ(bar->palette().color(QPalette::Window), QColor(0xA6, 0xCA, 0xF0));
    EXPECT_EQ(t->palette().color(QPalette::Window), QColor(0xA6, 0xCA, 0xF0));
}

TEST(Shell, HelpOpensTheManualAtItsAnchors) {
    TestWindow t;
    t->Activate();
    t->Actions().acthelp->trigger();
    t->Actions().actHelpCnt->trigger();
    t->Actions().actHelpIDX->trigger();
    ASSERT_EQ(t.opened.size(), 3u);
    EXPECT_EQ(t.opened[0].fragment(), "contents");
    EXPECT_EQ(t.opened[1].fragment(), "search");
    EXPECT_EQ(t.opened[2].fragment(), "index");
    QFile manual(t.opened[0].toLocalFile());
    ASSERT_TRUE(manual.open(QIODevice::ReadOnly));
    const QByteArray html = manual.readAll();
    for (const char* anchor : {"id=\"contents\"", "id=\"search\"", "id=\"index\""}) EXPECT_TRUE(html.contains(anchor));
}

TEST(Shell, WithoutABrowserTheManualShowsInAWindowOfTheProgram) {
    TestWindow t;
    t.browserAvailable = false;
    t->Activate();
    EXPECT_EQ(t->Help().ManualWindow(), nullptr);
    t->Actions().acthelp->trigger();
    QTextBrowser* manual = t->Help().ManualWindow();
    ASSERT_NE(manual, nullptr);
    EXPECT_TRUE(manual->isVisible());
    EXPECT_TRUE(t.prompts.shown.empty());
    EXPECT_EQ(manual->source().fragment(), "contents");
    EXPECT_FALSE(manual->toPlainText().isEmpty());
    // The same window serves the next command, at its anchor.
    t->Actions().actHelpIDX->trigger();
    EXPECT_EQ(t->Help().ManualWindow(), manual);
    EXPECT_EQ(manual->source().fragment(), "index");
    manual->close();
}

TEST(Shell, ExitClosesTheWindow) {
    TestWindow t;
    t->Activate();
    ASSERT_TRUE(t->isVisible());
    t->Actions().actExit->trigger();
    EXPECT_FALSE(t->isVisible());
}

}  // namespace

namespace {

// The button bound to action whose object name is given, or the first one bound to it.
QToolButton* ButtonOf(MainWindow& w, QAction* action, const char* name = nullptr) {
    for (QToolButton* b : w.findChildren<QToolButton*>())
        if (b->defaultAction() == action && (!name || b->objectName() == QLatin1String(name))) return b;
    return nullptr;
}

}  // namespace

TEST(Shell, ButtonsKeepTheirOwnCaptionsAndHintsWhateverTheirActionsDo) {
    TestWindow t;
    t->Activate();
    AppActions& a = t->Actions();
    struct Case {
        QAction* action;
        const char* name;
        const char* caption;
        const char* hint;
    } cases[] = {
        {a.actUpOneDir, "ToolButton33", "Up", nullptr},
        {a.actBack, "ToolButton34", "Back", nullptr},
        {a.actBack, "ToolButton32", "Back", "foreward"},
        {a.actrefresh, "ToolButton54", nullptr, "Refresh current branch without rescanning entire tree"},
        {a.actSortName, nullptr, nullptr, "Set sort based on Name"},
        {a.actSortSize, nullptr, nullptr, "Set sort based on size"},
        {a.actShowHints2, nullptr, nullptr, "Toggle hints on/off"},
        {a.actFolderHistory, nullptr, nullptr, "Toggle folder history"},
        {a.actFreeSpace, nullptr, "free space", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action->objectName().toStdString() + (c.name ? std::string(" ") + c.name : ""));
        QToolButton* b = ButtonOf(*t, c.action, c.name);
        ASSERT_NE(b, nullptr);
        auto expectOwn = [&] {
            if (c.caption) {
                EXPECT_EQ(b->text(), c.caption);
            }
            if (c.hint) {
                EXPECT_EQ(b->toolTip(), c.hint);
            }
        };
        expectOwn();
        // Every kind of change of the action makes Qt copy it into its buttons again.
        for (int round = 0; round < 2; ++round) {
            c.action->setEnabled(!c.action->isEnabled());
            expectOwn();
            if (c.action->isCheckable()) c.action->setChecked(!c.action->isChecked());
            expectOwn();
            c.action->setToolTip(c.action->toolTip() + " ");
            c.action->setText(c.action->text() + " ");
            expectOwn();
        }
    }
}

TEST(Shell, DesktopKeysForBackAndUp) {
    TestWindow t;
    t->Activate();
    EXPECT_TRUE(t->Actions().actBack->shortcuts().contains(QKeySequence(Qt::ALT | Qt::Key_Left)));
    EXPECT_TRUE(t->Actions().actUpOneDir->shortcuts().contains(QKeySequence(Qt::ALT | Qt::Key_Up)));
    EXPECT_TRUE(t->Actions().actUpOneDir->shortcuts().contains(QKeySequence(Qt::Key_F8)));
    // Back is reachable from the menu, not only from the chart pages.
    auto* file = t->Widgets().menuBar->findChild<QMenu*>("File1");
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(file->actions().contains(t->Actions().actBack));
}

TEST(Shell, StatusTipsLeaveThePanelsAndThePanelsFitTheirText) {
    TestWindow t;
    t->Activate();
    t->Status().SetPanel(0, "/data/");
    t->Status().SetTreeState("Size tree reloaded (partial)");
    QStatusTipEvent tip("Up to Parent Directory");
    QApplication::sendEvent(t->Widgets().dirTree, &tip);
    EXPECT_EQ(t->Widgets().statusBar->currentMessage(), QString());
    for (QLabel* panel : t->Widgets().panels) EXPECT_TRUE(panel->isVisible());
    QLabel* state = t->Widgets().panels[2];
    QTest::qWait(10);
    EXPECT_GE(state->width(), state->fontMetrics().horizontalAdvance(state->text()));
    // A chart's hover text stands in panel 2 while the mouse is on an entry, then the state is back.
    t->Status().ShowHoverText("Holiday2023 2.1 GB");
    EXPECT_EQ(t->Status().Panel(2), "Holiday2023 2.1 GB");
    t->Status().ShowHoverText(QString());
    EXPECT_EQ(t->Status().Panel(2), "Size tree reloaded (partial)");
}

// At the default size the tool bars take at most two rows; at the smallest nothing is cut or
// covered: every button is whole and visible, or in its bar's overflow menu.
TEST(Shell, ToolBarsFitTheDefaultAndTheSmallestWindow) {
    TestWindow t;
    t->Activate();
    WindowWidgets& w = t->Widgets();
    for (QSize size : {QSize(900, 600), QSize(500, 400)}) {
        SCOPED_TRACE(size.width());
        t->resize(size);
        QTest::qWait(50);
        if (size.width() == 900) {
            EXPECT_LE(w.toolBar1->RowCount(), 2);
            EXPECT_LE(w.toolBar7->RowCount(), 1);
        }
        const QRect client = t->rect();
        for (WrapToolBar* bar : {w.toolBar7, w.toolBar1, w.toolBar2, w.toolBar8}) {
            SCOPED_TRACE(bar->objectName().toStdString());
            const std::vector<QToolButton*> over = bar->OverflowedButtons();
            for (QToolButton* b : bar->Buttons()) {
                if (std::find(over.begin(), over.end(), b) != over.end()) {
                    EXPECT_FALSE(b->isVisible());
                    continue;
                }
                if (!b->isVisible()) continue;  // hidden on purpose
                SCOPED_TRACE(b->text().toStdString());
                // Whole: as wide as its text needs, inside its bar, and the bar inside the window.
                EXPECT_GE(b->width(), b->sizeHint().width());
                EXPECT_TRUE(bar->rect().contains(b->geometry())) << b->geometry().x() << "," << b->geometry().y();
                const QRect inWindow(b->mapTo(t.window.get(), QPoint(0, 0)), b->size());
                EXPECT_TRUE(client.contains(inWindow));
                // Nothing is laid over it: the widget at its centre is the button itself.
                QWidget* at = t->childAt(inWindow.center());
                EXPECT_EQ(at, b) << (at ? at->objectName().toStdString() : "none");
            }
            if (!over.empty()) {
                EXPECT_TRUE(bar->OverflowButton()->isVisible());
            }
        }
    }
}
