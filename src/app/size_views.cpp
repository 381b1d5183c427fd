#include "app/size_views.h"

#include <QAction>
#include <QCoreApplication>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>

#include "app/app_actions.h"
#include "app/command_states.h"
#include "app/escape_watcher.h"
#include "app/file_manager.h"
#include "app/file_search_controller.h"
#include "app/folder_properties.h"
#include "app/folder_delete_controller.h"
#include "app/gauge_status.h"
#include "app/main_window.h"
#include "app/navigation.h"
#include "gui/path_text.h"
#include "app/scan_controller.h"
#include "app/sort_mode.h"
#include "app/view_switches.h"
#include "app/window_layout.h"
#include "app/window_settings.h"
#include "app/wrap_tool_bar.h"
#include "core/size_tree.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"
#include "settings/settings_load.h"
#include "views/bar_chart.h"
#include "views/charts_controller.h"
#include "views/folder_shell.h"
#include "views/pie_chart.h"
#include "views/size_ranking.h"
#include "views/size_tree_list.h"

namespace vantum::app {

namespace {

// Opening with the shell goes through the window's URL opener, so that tests never start one.
views::FolderShell WindowShell(const HelpController::UrlOpener& opener) {
    views::FolderShell shell;
    shell.open = [opener](const std::string& path) {
        // Percent-encoded bytes: names that are not valid UTF-8 still reach the shell.
        const QByteArray encoded = QByteArray::fromStdString(path).toPercentEncoding("/");
        if (opener) opener(QUrl::fromEncoded("file://" + encoded));
    };
    return shell;
}

void Place(QWidget* host, QWidget* view) {
    view->setParent(host);
    host->layout()->addWidget(view);
}

}  // namespace

SizeViews::SizeViews(MainWindow& window) : w_(window) {
    WindowWidgets& ww = w_.Widgets();
    fileManager_ = std::make_unique<DesktopFileManager>(w_.UrlOpener());
    views::FolderShell shell = WindowShell(w_.UrlOpener());
    shell.showProperties = [this](const std::string& path) { ShowFolderProperties(path); };

    list_ = std::make_unique<views::SizeTreeList>(w_.Dialogs(), shell, ww.sizeTreeHost);
    Place(ww.sizeTreeHost, list_->View());
    ranking_ = std::make_unique<views::SizeRanking>(w_.Dialogs(), shell, ww.rankingHost);
    Place(ww.rankingHost, ranking_->SizeRankGB());

    bars_ = new views::Bars(ww.barsHost);
    bars_->setObjectName(QStringLiteral("Bars"));
    pies_ = new views::Pies(ww.piesHost);
    pies_->setObjectName(QStringLiteral("Pies"));
    charts_ = std::make_unique<views::ChartsController>(bars_, pies_);
    charts_->SetTree(&w_.Tree());
    Place(ww.barsHost, bars_);
    Place(ww.piesHost, pies_);

    delete_ = std::make_unique<FolderDeleteController>(FolderDeleteController::Parts{
        w_.Tree(), w_.Dialogs(), w_.Status(), w_.States(), w_.Scan(), w_.Escape()});
    // A right-click on a chart entry made the deleted folder CurrentPath: "Scan" must not aim
    // at a folder that is gone, so the path goes back to the current folder.
    connect(delete_.get(), &FolderDeleteController::Deleted, this, [this] {
        Navigation& nav = w_.Nav();
        if (!gui::IsExistingFolder(nav.CurrentPath()) && nav.CurrentFolder())
            nav.GoToPath(gui::FromBytes(nav.CurrentFolder()->Path()), false);
    });

    ConnectList();
    ConnectRanking();
    ConnectCharts();
    PlaceActions();
    PushState();
    PushPath();
}

SizeViews::~SizeViews() {
    // The window outlives the views: nothing of it may call back into them from here on.
    QObject::disconnect(&w_.Nav(), nullptr, this, nullptr);
    QObject::disconnect(w_.Actions().actShowHints2, nullptr, this, nullptr);
    // The window's placeholders come back in the menus and tool bars.
    AppActions& actions = w_.Actions();
    for (const Adopted& a : adopted_) {
        auto* placeholder = new QAction(a.text, &w_);
        placeholder->setObjectName(a.name);
        placeholder->setCheckable(a.checkable);
        MarkNotAvailable(placeholder);
        ReplaceAction(actions, *a.slot, placeholder);
    }
    for (QAction* a : menuExtras_) delete a;
    delete pagingBar_.data();
    charts_.reset();
    delete bars_.data();
    delete pies_.data();
    delete list_->View();
    list_.reset();
    delete ranking_->SizeRankGB();
    ranking_.reset();
}

void SizeViews::ConnectList() {
    views::SizeTreeList* list = list_.get();
    Navigation* nav = &w_.Nav();
    WindowWidgets& ww = w_.Widgets();
    // A row click goes through the navigation: CurrentFolder, charts and CurrentPath together.
    connect(list, &views::SizeTreeList::currentFolderChosen, nav, &Navigation::ShowTreeFolder);
    connect(list, &views::SizeTreeList::goToPath, nav, &Navigation::GoToPath);
    connect(list, &views::SizeTreeList::chartsRebuildRequested, this,
            [this] { ShowFolderCharts(w_.Nav().CurrentFolder()); });
    connect(list, &views::SizeTreeList::sortModeChanged, this, [this](int mode) { charts_->SetSortMode(mode); });
    connect(list, &views::SizeTreeList::sizeTreePageRequested, this,
            [&ww] { ww.fpc2->setCurrentIndex(kSizeTreePage); });
    connect(list, &views::SizeTreeList::panelLayoutRequested, this, [this](int left, bool rightHidden) {
        w_.Switches().SetDirPanelWidth(rightHidden ? w_.width() : left);
    });
    connect(list, &views::SizeTreeList::explorerListRequested, this,
            [&ww] { ww.pages->setCurrentIndex(kExplorerPage); });
    connect(list, &views::SizeTreeList::deleteRequested, this,
            [this](TSizeFolder* f) { delete_->DeleteToTrash(f, FolderDeleteController::Refresh::Folder); });
}

void SizeViews::ConnectRanking() {
    views::SizeRanking* r = ranking_.get();
    WindowWidgets& ww = w_.Widgets();
    connect(r, &views::SizeRanking::collapseExplorerTree, this, [&ww] { ww.dirTree->collapseAll(); });
    connect(r, &views::SizeRanking::goToPath, &w_.Nav(), &Navigation::GoToPath);
    connect(r, &views::SizeRanking::selectFolderRow, this,
            [this](const TSizeFolder* f) { list_->SelectFolderRow(f); });
    connect(r, &views::SizeRanking::explorerListRequested, this,
            [&ww] { ww.pages->setCurrentIndex(kExplorerPage); });
    connect(r, &views::SizeRanking::deleteRequested, this,
            [this](TSizeFolder* f) { delete_->DeleteToTrash(f, FolderDeleteController::Refresh::Folder); });
}

void SizeViews::ConnectCharts() {
    views::ChartsController* c = charts_.get();
    Navigation* nav = &w_.Nav();
    WindowWidgets& ww = w_.Widgets();
    // The drill-down is the navigation's, so CurrentFolder, CurrentPath, the explorer tree and
    // the list's selection move together.
    c->SetDrillDown([nav](const std::string& path) { nav->ShowFolderByPath(gui::FromBytes(path)); });
    connect(c, &views::ChartsController::currentFolderChanged, nav, &Navigation::SetCurrentFolder);
    connect(c, &views::ChartsController::currentPathChanged, this,
            [nav](const std::string& path) { nav->GoToPath(gui::FromBytes(path), false); });
    connect(c, &views::ChartsController::goToPathRequested, this,
            [nav](const std::string& path) { nav->GoToPath(gui::FromBytes(path), true); });
    connect(c, &views::ChartsController::selectFolderRowRequested, this,
            [this](TSizeFolder* f) { list_->SelectFolderRow(f); });
    connect(c, &views::ChartsController::syncExplorerTreeRequested, this,
            [nav](const std::string& path) { nav->SyncExplorerTree(gui::WithoutTrailingSlash(gui::FromBytes(path))); });
    connect(c, &views::ChartsController::leftPageRequested, this, [&ww](int page) {
        if (page >= 0 && page < ww.fpc2->count()) ww.fpc2->setCurrentIndex(page);
    });
    connect(c, &views::ChartsController::rightPageRequested, this, [&ww](int page) {
        if (page >= 0 && page < kRightPageCount) ww.pages->setCurrentIndex(page);
    });
    connect(c, &views::ChartsController::statusTextRequested, this,
            [this](int panel, const QString& text) {
                if (panel == 2) w_.Status().ShowHoverText(text);
                else w_.Status().SetPanel(panel, text);
            });
    const views::FolderShell shell = WindowShell(w_.UrlOpener());
    connect(c, &views::ChartsController::openWithShellRequested, this,
            [shell](const std::string& path) { shell.open(path); });
    connect(c, &views::ChartsController::showInFileManagerRequested, this,
            [this](const std::string& path) { fileManager_->ShowItem(path); });
    connect(c, &views::ChartsController::folderPropertiesRequested, this,
            [this](const std::string& path) { ShowFolderProperties(path); });
    connect(c, &views::ChartsController::deleteRequested, this,
            [this](TSizeFolder* f) { delete_->DeleteToTrash(f, FolderDeleteController::Refresh::Parent); });
    connect(c, &views::ChartsController::refreshBranchRequested, this,
            [this] { w_.Scan().RefreshBranch(w_.Nav().CurrentFolder()); });
    // The window's hint switch rules the charts' hints too.
    QAction* hints = w_.Actions().actShowHints2;
    c->actShowHints2->setChecked(hints->isChecked());
    connect(hints, &QAction::toggled, this, [this](bool on) { charts_->actShowHints2->setChecked(on); });

    connect(nav, &Navigation::StateChanged, this, &SizeViews::PushState);
    connect(nav, &Navigation::CurrentPathChanged, this, &SizeViews::PushPath);
}

void SizeViews::SetFileManager(std::unique_ptr<FileManagerService> fm) {
    if (fm) fileManager_ = std::move(fm);
}

void SizeViews::ShowFolderProperties(const std::string& pathIn) {
    std::string path = pathIn;
    if (path.size() > 1 && path.back() == '/') path.pop_back();
    if (path.empty() || w_.States().IsBusy() || fileManager_->ShowProperties(path)) return;
    // Our own window: the walk may take a while on a large folder; Escape stops it.
    FolderFacts facts;
    {
        CommandStates::BusyScope busy(w_.States());
        EscapeWatcher& escape = w_.Escape();
        escape.ClearAbort();
        int n = 0;
        facts = GatherFolderFacts(path, [&] {
            if (++n % 512 == 0) QCoreApplication::processEvents();
            return escape.AbortPending();
        });
        escape.ClearAbort();
    }
    ShowFolderPropertiesWindow(facts, &w_);
}

void SizeViews::Adopt(QAction*& slot, QAction* replacement) {
    adopted_.push_back({&slot, slot->objectName(), slot->text(), slot->isCheckable()});
    // The window's captions carry the menu mnemonics.
    replacement->setText(slot->text());
    ReplaceAction(w_.Actions(), slot, replacement);
}

void SizeViews::PlaceActions() {
    AppActions& a = w_.Actions();
    views::ChartsController& c = *charts_;
    Adopt(a.act3D, c.act3D);
    Adopt(a.actExplode, c.actExplode);
    Adopt(a.actLabels, c.actLabels);
    Adopt(a.actshowLegend, c.actshowLegend);
    Adopt(a.actFreeSpace, c.actFreeSpace);
    Adopt(a.actElypticPie, c.actElypticPie);
    Adopt(a.actRotateLeft, c.actRotateLeft);
    Adopt(a.actRotateRight, c.actRotateRight);
    Adopt(a.actExpandSizeTree, list_->actExpandSizeTree);
    Adopt(a.Action5, list_->Action5);

    // Bar paging: in the chart view menu and over the bar chart.
    if (auto* menu = w_.Widgets().menuBar->findChild<QMenu*>(QStringLiteral("Chartview1"))) {
        menuExtras_.push_back(menu->addSeparator());
        for (QAction* p : {c.actBarsSpread, c.actBarsUp, c.actBarsDown, c.actBarsNormal}) menu->addAction(p);
    }
    pagingBar_ = new WrapToolBar(QStringLiteral("BarsPagingBar"), false);
    for (QAction* p : {c.actBarsSpread, c.actBarsUp, c.actBarsDown, c.actBarsNormal}) {
        QToolButton* b = pagingBar_->AddAction(p);
        b->setToolButtonStyle(Qt::ToolButtonIconOnly);
    }
    auto* barsLayout = w_.Widgets().barsHost->layout();
    static_cast<QBoxLayout*>(barsLayout)->insertWidget(0, pagingBar_);

    // The file search in both pop-ups.
    FileSearchController& search = w_.FileSearch();
    for (QMenu* popup : {list_->FolderListPopUp(), c.ChartPopUp}) {
        popup->addSeparator();
        popup->addAction(search.actFindFiles);
        popup->addAction(search.actfindfilescurrent);
    }
}

void SizeViews::PushState() {
    TSizeFolder* current = w_.Nav().CurrentFolder();
    list_->SetCurrentFolder(current);
    ranking_->SetCurrentFolder(current);
    charts_->SetCurrentFolder(current);
}

void SizeViews::PushPath() {
    const QString& path = w_.Nav().CurrentPath();
    ranking_->SetCurrentPath(path);
    charts_->SetCurrentPath(gui::ToBytes(path));
}

void SizeViews::ClearSizeTreeList() {
    list_->Clear();
    // The tree is about to be emptied or replaced: the charts show nothing of it any more.
    charts_->ClearCharts();
}

void SizeViews::SetTreeNotes(const TreeNotes& notes) {
    list_->SetNotes(notes.partial, notes.unfinished);
    charts_->SetPartial(notes.partial);
}

void SizeViews::FillSizeTreeList(TSizeFolder* top) { list_->FillSizeTreeList(top); }

void SizeViews::SelectFolderRow(TSizeFolder* folder) { list_->SelectFolderRow(folder); }

void SizeViews::ApplySortMode(int mode, TSizeFolder* current) {
    charts_->SetSortMode(mode);
    list_->LoadSortMode(mode);
    list_->SetCurrentFolder(current);
    // Sorts the list, then asks for the charts of the current folder.
    list_->ApplySortMode();
}

void SizeViews::SetFullSizeTree(bool on) { list_->SetFullSizeTree(on, w_.width()); }

void SizeViews::ShowFolderCharts(TSizeFolder* folder) {
    if (!folder) return;
    charts_->SetScanAllDrives(w_.Scan().ScanAllDrives);
    charts_->SetSortMode(w_.Sort().SortMode());
    charts_->ShowFolderCharts(folder);
    // The entry under the mouse is gone with the old charts: so is its hover text.
    w_.Status().ShowHoverText(QString());
}

void SizeViews::BarsNormal() { bars_->ResetView(); }

void SizeViews::ClearBars() { charts_->ClearCharts(); }

void SizeViews::SetRestored(bool on) { charts_->SetRestored(on); }

void SizeViews::FillSizeRanking(TSizeFolder* current) {
    // Read at each fill: the preferences may have changed the length since start-up.
    const settings::IniFile ini(w_.Settings().Path());
    // The stored length as it is: only the preferences dialog shows lengths above 100 as 20.
    const int length = settings::Read(ini, settings::key::FolderListLength);
    ranking_->FillSizeRanking(current, length);
}

void SizeViews::ClearSizeRanking() { ranking_->Clear(); }

void SizeViews::SettingsLoaded(const settings::MainWindowSettings& s) {
    views::ChartOptions o;
    o.markVisible = s.markVisible;
    o.showLegend = s.showLegend;
    o.toggle3D = s.toggle3D;
    o.explodeBiggest = s.explodeBiggest;
    o.elliptic = s.elypticPie;
    o.freeSpace = s.freeSpace;
    o.showHints = s.showHints;
    o.enableZoom = s.enableZoom;
    o.barsGradient = s.barsGradient;
    charts_->SetOptions(o);
    const int mode = settings::SortModeFromStored(s.sort);
    list_->LoadSortMode(mode);
    charts_->SetSortMode(mode);
    list_->SetUseExternalExplorer(s.useExternalExplorer);
    ranking_->SetUseExternalExplorer(s.useExternalExplorer);
}

void InstallSizeViews(MainWindow& window) { window.SetAnalyserViews(std::make_unique<SizeViews>(window)); }

}  // namespace vantum::app
