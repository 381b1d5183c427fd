#include "app/main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QDesktopServices>
#include <QFile>
#include <filesystem>
#include <QUrl>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>

#include "app/about_box.h"
#include "app/color_scheme.h"
#include "app/command_states.h"
#include "app/escape_watcher.h"
#include "app/file_search_controller.h"
#include "app/gauge_status.h"
#include "app/history_controller.h"
#include "app/navigation.h"
#include "gui/qt_prompts.h"
#include "app/scan_controller.h"
#include "app/size_log_controller.h"
#include "app/sort_mode.h"
#include "app/tip_window.h"
#include "app/tree_file_controller.h"
#include "app/update_controller.h"
#include "app/view_switches.h"
#include "app/welcome_window.h"
#include "app/window_settings.h"
#include "core/size_tree.h"
#include "export/export_command.h"
#include "settings/settings_path.h"

// The resources live in a static library; they are registered explicitly so that the linker
// keeps them.
static void InitAppResources() { Q_INIT_RESOURCE(app); }

namespace vantum::app {

MainWindow::MainWindow(MainWindowOptions options, MainWindowHooks hooks)
    : options_(std::move(options)), hooks_(std::move(hooks)) {
    InitAppResources();
    setObjectName(QStringLiteral("Form1"));
    setMinimumSize(500, 400);
    // Created off screen; the activation steps make it visible.
    move(-1000, 50);
    resize(900, 600);

    if (options_.prompts) {
        prompts_ = options_.prompts;
    } else {
        ownPrompts_ = std::make_unique<gui::QtPrompts>(this);
        prompts_ = ownPrompts_.get();
    }
    tree_ = std::make_unique<TSizeTree>();
    actions_ = CreateActions(this);
    widgets_ = BuildWindowLayout(this, actions_);

    escape_ = std::make_unique<EscapeWatcher>();
    tips_ = std::make_unique<TipController>(this);
    states_ = std::make_unique<CommandStates>();
    status_ = std::make_unique<GaugeStatus>(
        widgets_, [this] { return navigation_->CurrentPath(); },
        [this] { return actions_.actFolderHistory->isChecked(); });
    navigation_ = std::make_unique<Navigation>(*tree_, widgets_, views_, *status_);
    history_ = std::make_unique<HistoryController>(widgets_.historyCombo, *navigation_, *prompts_);
    sort_ = std::make_unique<SortModeSwitch>(actions_.actSortName, actions_.actSortSize, views_,
                                             [this] { return navigation_->CurrentFolder(); });
    switches_ = std::make_unique<ViewSwitches>(widgets_, actions_, *navigation_, *status_, views_, *tips_,
                                               [this] { ApplyColors(); });
    scan_ = std::make_unique<ScanController>(ScanController::Parts{*tree_, widgets_, *navigation_, *status_,
                                                                   *states_, *history_, *sort_, views_,
                                                                   *escape_, *prompts_});
    opener_ = options_.openUrl;
    if (!opener_) opener_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    const HelpController::UrlOpener& opener = opener_;
    help_ = std::make_unique<HelpController>(actions_, *prompts_, opener);
    treeFiles_ = std::make_unique<TreeFileController>(TreeFileController::Parts{
        *tree_, widgets_, *navigation_, *status_, *states_, views_, *escape_, *prompts_});
    ReplaceAction(actions_, actions_.actSave, treeFiles_->actSave);
    ReplaceAction(actions_, actions_.actOpen, treeFiles_->actOpen);
    if (!hooks_.reloadTreeFile) hooks_.reloadTreeFile = [this](const QString& f) { treeFiles_->ReloadTreeFile(f); };
    fileSearch_ = std::make_unique<FileSearchController>(FileSearchController::Parts{
        *tree_, *navigation_, *status_, *states_, *escape_, *prompts_, opener, this});
    settings_ = std::make_unique<WindowSettings>(
        options_.settingsPath.empty() ? settings::SettingsPath() : options_.settingsPath,
        SettingsTargets{*this, widgets_, actions_, *switches_, *sort_, *scan_, *history_, *navigation_},
        *prompts_);
    sizeLog_ = std::make_unique<SizeLogController>(
        actions_.actHardDiskSpace, *prompts_,
        (std::filesystem::path(SettingsFile()).parent_path() / settings::kSizeLogFileName).string(), this);
    if (!hooks_.recordFreeSpaceBaseline)
        hooks_.recordFreeSpaceBaseline = [this] { sizeLog_->RecordBaseline(settings_->Values().spaceGainShow); };
    if (!hooks_.closeQuery) hooks_.closeQuery = [this] { sizeLog_->WindowClosing(); };
    updates_ = std::make_unique<UpdateController>(UpdateController::Parts{
        actions_.actCheckForUpdate, *prompts_, *status_, *states_, *escape_,
        QFile::decodeName(settings::ReplaceExtension(SettingsFile(), ".kbw").c_str())});

    widgets_.fpc2->setCurrentIndex(kExplorerTreePage);
    RegisterTreeCommands();
    ConnectCommands();
}

MainWindow::~MainWindow() {
    SaveSettingsOnce();
    // The views hold references into the tree: they go first.
    views_.Set(nullptr);
}

bool MainWindow::IsBusy() const { return states_->IsBusy(); }

void MainWindow::RegisterTreeCommands() {
    CommandStates& s = *states_;
    Navigation* nav = navigation_.get();
    auto haveFolder = [nav] { return nav->CurrentFolder() != nullptr; };
    s.RegisterTreeCommand(actions_.actRun);
    s.RegisterTreeWidget(widgets_.scanButton);
    s.RegisterTreeWidget(widgets_.scanAllButton);
    s.RegisterTreeCommand(actions_.actrefresh, haveFolder);
    s.RegisterTreeCommand(actions_.actToggleCharts, haveFolder);
    s.RegisterTreeCommand(actions_.actUpOneDir, [nav] { return nav->UpAllowed(); });
    s.RegisterTreeCommand(actions_.actBack, [nav] { return !nav->BackHistory().empty(); });
    s.RegisterTreeCommand(actions_.actSortName);
    s.RegisterTreeCommand(actions_.actSortSize);
    s.RegisterTreeCommand(actions_.actSave, haveFolder);
    s.RegisterTreeCommand(actions_.actExport, haveFolder);
    s.RegisterTreeCommand(actions_.actOpen);
    s.RegisterTreeCommand(fileSearch_->actFindFiles);
    s.RegisterTreeCommand(fileSearch_->actfindfilescurrent);
    for (QWidget* host : {widgets_.sizeTreeHost, widgets_.barsHost, widgets_.piesHost, widgets_.rankingHost})
        s.RegisterTreeWidget(host);
    // Commands that open a dialog or change what a running command reads: their dialogs would
    // run inside the command's event pumping. Those not built yet stay disabled.
    for (QAction* a : {actions_.actBrowseDir, actions_.acthelp, actions_.actHelpCnt, actions_.actHelpIDX,
                       actions_.actExport, actions_.actPrint, actions_.actPrintVST, actions_.actPreferences,
                       actions_.actAbout, actions_.actCheckForUpdate, actions_.actHardDiskSpace,
                       actions_.actSaveAsPicture,
                       history_->ClearAllAction(), history_->DeleteItemAction(), history_->InsertPathAction()})
        if (a && a->isEnabled()) s.RegisterTreeCommand(a);
    connect(navigation_.get(), &Navigation::StateChanged, states_.get(), &CommandStates::Update);
}

void MainWindow::ConnectCommands() {
    const AppActions& a = actions_;
    connect(a.actRun, &QAction::triggered, scan_.get(), &ScanController::actRunExecute);
    connect(widgets_.scanButton, &QToolButton::clicked, scan_.get(), [this] { scan_->ScanButtonClick(false); });
    connect(widgets_.scanAllButton, &QToolButton::clicked, scan_.get(), [this] { scan_->ScanButtonClick(true); });
    connect(a.actrefresh, &QAction::triggered, scan_.get(),
            [this] { scan_->RefreshBranch(navigation_->CurrentFolder()); });
    connect(a.actUpOneDir, &QAction::triggered, navigation_.get(), &Navigation::GoUp);
    connect(a.actBack, &QAction::triggered, navigation_.get(), &Navigation::GoBack);
    connect(a.actBrowseDir, &QAction::triggered, navigation_.get(), [this] { navigation_->BrowseDir(*prompts_); });
    connect(a.actExit, &QAction::triggered, this, &QWidget::close);
    connect(a.actAbout, &QAction::triggered, this, [this] {
        auto* box = new AboutBox(this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    });
    connect(a.actExport, &QAction::triggered, this, [this] {
        exporting::RunExportCommand({navigation_->CurrentFolder(), widgets_.barsHost, widgets_.piesHost, *prompts_,
                                     options_.settingsPath.empty() ? settings::SettingsPath() : options_.settingsPath,
                                     settings::AppDataFolder(),
                                     [this](const std::string& f) { opener_(QUrl::fromLocalFile(QFile::decodeName(f.c_str()))); },
                                     this});
    });
    connect(scan_.get(), &ScanController::ScanStarted, treeFiles_.get(), [this] { treeFiles_->SetReloaded(false); });
    // A close asked for during a long command waits for the command to end.
    connect(states_.get(), &CommandStates::BusyChanged, this, [this](bool busy) {
        if (!busy && closePending_) QTimer::singleShot(0, this, &QWidget::close);
    });
}

void MainWindow::ApplyColors() {
    ApplyColorScheme({this, widgets_.menuBar, widgets_.statusBar, widgets_.coolBar, widgets_.historyCombo,
                      widgets_.gauge},
                     actions_.Action8->isChecked());
}

void MainWindow::Activate(const QStringList& arguments, const std::function<void()>& onVisible) {
    if (activated_) return;
    activated_ = true;
    help_->FindHelpFile();
    const QString first = arguments.isEmpty() ? QString() : arguments.front();
    if (first.toLower().contains(QLatin1String(".vtr")) && hooks_.reloadTreeFile) hooks_.reloadTreeFile(first);
    if (first.toLower().contains(QLatin1String(".lec")) && hooks_.decryptFile) {
        std::optional<QString> password =
            prompts_->Input(QStringLiteral("Decrypt files"), QStringLiteral("Enter password"), QString());
        if (password) {
            const QString target = first.left(first.size() - 4);
            prompts_->Message(target + QLatin1Char(' ') + first, Prompts::Kind::Information);
            hooks_.decryptFile(target, first, *password);
        }
    }
    ApplyColors();
    std::function<void()> welcome = options_.showWelcome;
    if (!welcome) welcome = [this] {
        TWelcomeForm form(this);
        form.exec();
    };
    settings_->Load(welcome);
    views_->SettingsLoaded(settings_->Values());
    navigation_->ShowStartFolder(settings_->StartFolder());
    // A tree reloaded from the command line stays current: it is shown, and saving or
    // searching it must work.
    if (!treeFiles_->TreeReloaded()) navigation_->SetCurrentFolder(nullptr);
    setWindowTitle(QStringLiteral("Vantum v.") + QStringLiteral(VANTUM_VERSION));
    if (hooks_.recordFreeSpaceBaseline) hooks_.recordFreeSpaceBaseline();
    show();
    raise();
    activateWindow();
    switches_->WindowResized();
    if (onVisible) onVisible();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (states_->IsBusy()) {
        // A scan or search ends at its next check, a save or an open completes; the close is
        // repeated when the command has ended.
        closePending_ = true;
        scan_->RequestStop();
        fileSearch_->RequestStop();
        event->ignore();
        return;
    }
    closePending_ = false;
    if (hooks_.closeQuery) hooks_.closeQuery();
    SaveSettingsOnce();
    event->accept();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (switches_) switches_->WindowResized();
}

std::string MainWindow::SettingsFile() const {
    return options_.settingsPath.empty() ? settings::SettingsPath() : options_.settingsPath;
}

void MainWindow::SaveSettingsOnce() {
    if (settingsSaved_ || !settings_ || !settings_->Loaded()) return;
    settingsSaved_ = true;
    settings_->Save();
}

}  // namespace vantum::app
