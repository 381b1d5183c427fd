#include "app/window_layout.h"

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/app_actions.h"
#include "app/wrap_tool_bar.h"

namespace vantum::app {

namespace {

QVBoxLayout* Column(QWidget* w) {
    auto* l = new QVBoxLayout(w);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(0);
    return l;
}

QWidget* Named(QWidget* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QLabel* Spacer(const char* name) {
    auto* l = new QLabel;
    l->setObjectName(QString::fromLatin1(name));
    l->setFixedHeight(0);
    return l;
}

// A container with a layout, for a view that is placed into it later.
QWidget* Host(const char* name) {
    auto* w = new QWidget;
    w->setObjectName(QString::fromLatin1(name));
    Column(w);
    w->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    return w;
}

void BuildCoolBar(WindowWidgets& w, const AppActions& a) {
    w.coolBar = Named(new QWidget, "CoolBar1");
    auto* row = new QHBoxLayout(w.coolBar);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);

    w.toolBar7 = new WrapToolBar(QStringLiteral("ToolBar7"), false);
    w.scanButton = w.toolBar7->AddButton(
        QStringLiteral("ToolButton10"), QStringLiteral("Scan"),
        QStringLiteral("Scan selected dir:\r\ncalclulate Size of selected directory incl. all sub dirs\r\n"
                       "generate virtual dirtree\r\nshow graphical representative of hard disk "));
    w.scanAllButton = w.toolBar7->AddButton(
        QStringLiteral("ToolButton38"), QStringLiteral("Scan all"),
        QStringLiteral("Scan entire hard disk:\r\ncalclulate Size of all directories incl. all sub dirs\r\n"
                       "generate virtual dirtree\r\nshow graphical representative of hard disk "));
    w.toolBar7->AddAction(a.actrefresh, QStringLiteral("ToolButton54"),
                          QStringLiteral("Refresh current branch without rescanning entire tree"));
    w.toolBar7->AddAction(a.actToggleCharts, QStringLiteral("ToolButton11"));
    w.toolBar7->AddAction(a.actToggleDirTree, QStringLiteral("ToolButton4"));

    w.toolBar1 = new WrapToolBar(QStringLiteral("ToolBar1"), true);
    w.toolBar1->SetMaxRows(2);
    w.toolBar1->AddAction(a.actLabels);
    w.toolBar1->AddAction(a.actshowLegend);
    w.toolBar1->AddAction(a.actSortName, {}, QStringLiteral("Set sort based on Name"));
    w.toolBar1->AddAction(a.actSortSize, {}, QStringLiteral("Set sort based on size"));
    w.toolBar1->AddAction(a.actFreeSpace, {}, {}, QStringLiteral("free space"));
    w.toolBar1->AddAction(a.actShowHints2, {}, QStringLiteral("Toggle hints on/off"));
    w.toolBar1->AddAction(a.act3D);
    w.toolBar1->AddAction(a.actExplode);
    w.toolBar1->AddAction(a.actFolderHistory, {}, QStringLiteral("Toggle folder history"));
    w.toolBar1->AddAction(a.actHardDiskSpace);
    w.cleanAllButton = w.toolBar1->AddButton(QStringLiteral("ToolButton14"), QStringLiteral("Clean all"),
                                             QString::fromLatin1(kNotAvailableYet));
    w.cleanAllButton->setEnabled(false);

    w.toolBar9 = Named(new QWidget, "ToolBar9");
    auto* band = new QHBoxLayout(w.toolBar9);
    band->setContentsMargins(0, 0, 4, 0);
    w.bandLabel = new QLabel(QStringLiteral("Vantum"));
    w.bandLabel->setObjectName(QStringLiteral("Label1"));
    band->addWidget(w.bandLabel);

    row->addWidget(w.toolBar7, 0, Qt::AlignTop);
    row->addWidget(w.toolBar1, 1, Qt::AlignTop);
    row->addWidget(w.toolBar9, 0, Qt::AlignRight | Qt::AlignTop);
}

void BuildLeftPanel(WindowWidgets& w) {
    w.panel1 = Named(new QWidget, "Panel1");
    w.panel1->setMinimumWidth(1);
    auto* col = Column(w.panel1);

    w.toolBar8 = new WrapToolBar(QStringLiteral("ToolBar8"), false);
    w.explorerTreeButton = w.toolBar8->AddButton(QStringLiteral("ToolButton12"), QStringLiteral("Explorer tree"));
    w.sizeTreeButton = w.toolBar8->AddButton(QStringLiteral("ToolButton13"), QStringLiteral("SizeTree"));
    col->addWidget(w.toolBar8);

    w.fpc2 = new QStackedWidget;
    w.fpc2->setObjectName(QStringLiteral("FPC2"));
    w.fpc2->setMinimumWidth(1);

    auto* explorerPage = Named(new QWidget, "TabSheet7");
    auto* ec = Column(explorerPage);
    w.dirModel = new QFileSystemModel(w.window);
    w.dirModel->setObjectName(QStringLiteral("DirTreeModel"));
    w.dirModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
    w.dirModel->setRootPath(QStringLiteral("/"));
    w.dirTree = new QTreeView;
    w.dirTree->setObjectName(QStringLiteral("DirTree"));
    w.dirTree->setModel(w.dirModel);
    for (int c = 1; c < w.dirModel->columnCount(); ++c) w.dirTree->hideColumn(c);
    w.dirTree->header()->hide();
    w.dirTree->setMinimumWidth(1);
    ec->addWidget(w.dirTree);
    w.label5 = Spacer("Label5");
    ec->addWidget(w.label5);

    auto* sizePage = Named(new QWidget, "TabSheet8");
    auto* sc = Column(sizePage);
    w.sizeTreeHost = Host("vstHost");
    sc->addWidget(w.sizeTreeHost);
    w.label4 = Spacer("Label4");
    sc->addWidget(w.label4);

    w.fpc2->addWidget(explorerPage);
    w.fpc2->addWidget(sizePage);
    col->addWidget(w.fpc2, 1);

    w.gauge = new QProgressBar;
    w.gauge->setObjectName(QStringLiteral("Gauge"));
    w.gauge->setRange(0, 100);
    w.gauge->setValue(0);
    w.gauge->setTextVisible(true);
    w.gauge->setFormat(QStringLiteral("%p%"));
    w.gauge->setFixedHeight(16);
    QFont bold = w.gauge->font();
    bold.setBold(true);
    w.gauge->setFont(bold);
    w.gauge->hide();
    col->addWidget(w.gauge);
}

// A chart page: the Up and Back buttons over the chart's place.
QWidget* ChartPage(const char* name, const AppActions& a, const char* upName, const char* backName,
                   const QString& backHint, QWidget*& host, const char* hostName) {
    auto* page = Named(new QWidget, name);
    auto* col = Column(page);
    auto* bar = new WrapToolBar(QString::fromLatin1(name) + QStringLiteral("Bar"), false);
    bar->AddAction(a.actUpOneDir, QString::fromLatin1(upName), {}, QStringLiteral("Up"));
    bar->AddAction(a.actBack, QString::fromLatin1(backName), backHint);
    col->addWidget(bar);
    host = Host(hostName);
    col->addWidget(host, 1);
    return page;
}

void BuildRightPanel(WindowWidgets& w, const AppActions& a) {
    w.panel2 = Named(new QWidget, "Panel2");
    w.panel2->setMinimumWidth(1);
    auto* col = Column(w.panel2);

    w.toolBar2 = new WrapToolBar(QStringLiteral("ToolBar2"), true);
    w.toolBar2->SetMaxRows(1);
    struct PageButton {
        const char* name;
        const char* text;
        const char* hint;
    };
    const PageButton buttons[kRightPageCount] = {
        {"ToolButton3", "Bar chart", "switch to bar chart"},
        {"ToolButton6", "Pie chart", "switch to pie chart"},
        {"ToolButton45", "Size ranking", ""},
        {"ToolButton5", "Explorer list view", ""},
        {"ToolButton7", "Clean temp files", ""},
        {"ToolButton8", "Clean shortcuts", ""},
        {"ToolButton47", "Clean IE Traces", ""},
    };
    for (int i = 0; i < kRightPageCount; ++i) {
        w.pageButtons[i] = w.toolBar2->AddButton(QString::fromLatin1(buttons[i].name),
                                                 QString::fromLatin1(buttons[i].text),
                                                 QString::fromLatin1(buttons[i].hint));
        w.pageButtons[i]->setCheckable(true);
        w.pageButtons[i]->setAutoExclusive(true);
    }
    col->addWidget(w.toolBar2);

    w.pages = new QStackedWidget;
    w.pages->setObjectName(QStringLiteral("FlatPageControl1"));
    w.pages->setMinimumWidth(1);
    w.pages->addWidget(ChartPage("TabSheet3", a, "ToolButton33", "ToolButton34", {}, w.barsHost, "BarsHost"));
    w.pages->addWidget(ChartPage("TabSheet4", a, "ToolButton24", "ToolButton32", QStringLiteral("foreward"),
                                 w.piesHost, "PiesHost"));
    auto* ranking = Named(new QWidget, "TabSheet6");
    w.rankingHost = Host("TopTenTreeHost");
    Column(ranking)->addWidget(w.rankingHost);
    w.pages->addWidget(ranking);
    for (const char* name : {"TabSheet2", "TabSheet1", "TabSheet5", "TabSheet9"}) {
        auto* page = Named(new QWidget, name);
        Column(page);
        w.pages->addWidget(page);
    }
    col->addWidget(w.pages, 1);

    w.comboPanel = Named(new QWidget, "ComboPanel");
    auto* row = new QHBoxLayout(w.comboPanel);
    row->setContentsMargins(2, 1, 2, 1);
    w.historyCombo = new QComboBox;
    w.historyCombo->setObjectName(QStringLiteral("HistoryCombo"));
    w.historyCombo->setEditable(true);
    w.historyCombo->setInsertPolicy(QComboBox::NoInsert);
    w.historyCombo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    w.historyCombo->setMinimumContentsLength(10);
    row->addWidget(w.historyCombo, 0, Qt::AlignLeft);
    row->addStretch(1);
    w.comboPanel->hide();
    w.historyCombo->hide();
    col->addWidget(w.comboPanel);
}

void BuildStatusBar(WindowWidgets& w) {
    w.statusBar = w.window->statusBar();
    w.statusBar->setObjectName(QStringLiteral("StatusBar1"));
    w.statusBar->setSizeGripEnabled(true);
    for (int i = 0; i < 3; ++i) {
        auto* panel = new QLabel;
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panel->setTextFormat(Qt::PlainText);
        // The tree state panel grows with its text ("Size tree reloaded", "(partial)", ...);
        // the path and progress panels keep their widths so that the bar does not jump.
        if (i == 2) panel->setMinimumWidth(kStatusPanelWidths[static_cast<size_t>(i)]);
        else panel->setFixedWidth(kStatusPanelWidths[static_cast<size_t>(i)]);
        w.statusBar->addWidget(panel);
        w.panels[static_cast<size_t>(i)] = panel;
    }
}

}  // namespace

void ArrangeCoolBar(WindowWidgets& w) {
    auto* box = qobject_cast<QBoxLayout*>(w.coolBar->layout());
    if (!box) return;
    // The view switches need room for a few buttons a row beside the scan tools; else they go
    // below them, and the band label makes way.
    constexpr int kSwitchesMinWidth = 300;
    const int need = w.toolBar7->sizeHint().width() + w.toolBar9->sizeHint().width() + kSwitchesMinWidth;
    const bool narrow = w.window->width() < need;
    box->setDirection(narrow ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
    box->setAlignment(w.toolBar7, narrow ? Qt::Alignment() : Qt::AlignTop);
    box->setAlignment(w.toolBar1, narrow ? Qt::Alignment() : Qt::AlignTop);
    w.toolBar9->setVisible(!narrow);
}

WindowWidgets BuildWindowLayout(QMainWindow* window, const AppActions& actions) {
    WindowWidgets w;
    w.window = window;
    w.menuBar = window->menuBar();
    w.menuBar->setObjectName(QStringLiteral("ActionMainMenuBar1"));
    BuildMainMenu(w.menuBar, actions);

    auto* central = new QWidget;
    central->setObjectName(QStringLiteral("Central"));
    auto* col = Column(central);
    BuildCoolBar(w, actions);
    col->addWidget(w.coolBar);

    BuildLeftPanel(w);
    BuildRightPanel(w, actions);
    w.splitter = new QSplitter(Qt::Horizontal);
    w.splitter->setObjectName(QStringLiteral("Splitter1"));
    w.splitter->setChildrenCollapsible(false);
    w.splitter->addWidget(w.panel1);
    w.splitter->addWidget(w.panel2);
    w.splitter->handle(1)->setToolTip(QStringLiteral("Resize directory panel"));
    w.splitter->setStretchFactor(0, 0);
    w.splitter->setStretchFactor(1, 1);
    w.splitter->setSizes({kPanel1DesignWidth, 600});
    col->addWidget(w.splitter, 1);

    window->setCentralWidget(central);
    BuildStatusBar(w);
    return w;
}

}  // namespace vantum::app
