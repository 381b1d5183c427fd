#include "views/charts_controller.h"

#include <QAction>
#include <QActionGroup>
#include <QEvent>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMenu>
#include <QStyle>
#include <QTimer>
#include <QToolTip>
#include <filesystem>

#include "core/size_tree.h"
#include "platform/dir_listing.h"
#include "views/bar_chart.h"
#include "views/pie_chart.h"
#include "views/size_texts.h"

namespace vantum::views {

namespace {

// A folder of a million entries must not turn into a menu that takes minutes to build.
constexpr int kMaxMenuEntries = 1000;

QString Decode(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

std::string WithSlash(std::string path) {
    if (path.empty() || path.back() != '/') path += '/';
    return path;
}

QAction* MakeAction(QObject* owner, const char* name, const QString& caption, const QString& hint,
                    bool checkable) {
    auto* a = new QAction(caption, owner);
    a->setObjectName(QString::fromLatin1(name));
    a->setToolTip(hint.isEmpty() ? caption : hint);
    a->setStatusTip(hint);
    a->setCheckable(checkable);
    return a;
}

}  // namespace

ChartsController::ChartsController(Bars* bars, Pies* pies, QObject* parent)
    : QObject(parent), bars_(bars), pies_(pies), drives_(SystemDriveQuery()),
      icons_(std::make_unique<QFileIconProvider>()) {
    actLabels = MakeAction(this, "actLabels", QStringLiteral("Show labels"), QStringLiteral("Toggle Labels"), true);
    actshowLegend = MakeAction(this, "actshowLegend", QStringLiteral("Show Legend"), {}, true);
    act3D = MakeAction(this, "act3D", QStringLiteral("3D View"), QStringLiteral("Toggle between 2D and 3D mode"), true);
    actExplode = MakeAction(this, "actExplode", QStringLiteral("Explode Biggest"), QStringLiteral("Shows biggest pie cut out"), true);
    actElypticPie = MakeAction(this, "actElypticPie", QStringLiteral("Show elyptic pie"), {}, true);
    actFreeSpace = MakeAction(this, "actFreeSpace", QStringLiteral("Show free space"), QStringLiteral("Include free space"), true);
    actShowHints2 = MakeAction(this, "actShowHints2", QStringLiteral("Toggle hints"), {}, true);
    actRotateLeft = MakeAction(this, "actRotateLeft", QStringLiteral("Rotate left"), QStringLiteral("Rotate pie chart"), true);
    actRotateLeft->setShortcut(QKeySequence(QStringLiteral("Ctrl+L")));
    actRotateRight = MakeAction(this, "actRotateRight", QStringLiteral("Rotate right"), {}, true);
    actRotateRight->setShortcut(QKeySequence(QStringLiteral("Ctrl+R")));
    rotateGroup_ = new QActionGroup(this);
    rotateGroup_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    rotateGroup_->addAction(actRotateLeft);
    rotateGroup_->addAction(actRotateRight);

    actBarsSpread = MakeAction(this, "actBarsSpread", QStringLiteral("Bars spread"), QStringLiteral("Bars spread"), false);
    actBarsUp = MakeAction(this, "actBarsUp", QStringLiteral("Bars one page up"), QStringLiteral("Bars one page up"), false);
    actBarsDown = MakeAction(this, "actBarsDown", QStringLiteral("Bars one page down"), QStringLiteral("Bars one page down"), false);
    actBarsNormal = MakeAction(this, "actBarsNormal", QStringLiteral("Bars normal"), QStringLiteral("Bars normal"), false);
    QStyle* style = bars_->style();
    actBarsSpread->setIcon(style->standardIcon(QStyle::SP_TitleBarUnshadeButton));
    actBarsUp->setIcon(style->standardIcon(QStyle::SP_ArrowUp));
    actBarsDown->setIcon(style->standardIcon(QStyle::SP_ArrowDown));
    actBarsNormal->setIcon(style->standardIcon(QStyle::SP_TitleBarShadeButton));

    ChartPopUp = new QMenu(bars_);
    ChartPopUp->setObjectName(QStringLiteral("ChartPopUp"));
    Contentoffolder1 = ChartPopUp->addMenu(style->standardIcon(QStyle::SP_DirOpenIcon), QStringLiteral("Folder content"));
    Contentoffolder1->setObjectName(QStringLiteral("Contentoffolder1"));
    Contentoffolder1->setToolTipsVisible(true);
    ChartPopUp->addSeparator();
    actPoPDelFolder = MakeAction(this, "actPoPDelFolder", QStringLiteral("Delete folder to recycle bin"), {}, false);
    actPoPDelFolder->setIcon(style->standardIcon(QStyle::SP_TrashIcon));
    ChartPopUp->addAction(actPoPDelFolder);
    ChartPopUp->addSeparator();
    actPopRefresh = MakeAction(this, "actPopRefresh", QStringLiteral("Refresh charts"), {}, false);
    actPopRefresh->setIcon(style->standardIcon(QStyle::SP_BrowserReload));
    ChartPopUp->addAction(actPopRefresh);
    ChartPopUp->addSeparator();
    actPopShowInVantu = MakeAction(this, "actPopShowInVantu", QStringLiteral("Show in Vantu Explorer"), {}, false);
    actPopShowInVantu->setIcon(style->standardIcon(QStyle::SP_DirIcon));
    actPopShowinExpl = MakeAction(this, "actPopShowinExpl", QStringLiteral("Show in Explorer"), {}, false);
    actPopShowinExpl->setIcon(style->standardIcon(QStyle::SP_DirLinkIcon));
    ChartPopUp->addAction(actPopShowInVantu);
    ChartPopUp->addAction(actPopShowinExpl);
    ChartPopUp->addSeparator();
    Properties1 = MakeAction(this, "Properties1", QStringLiteral("Properties"), {}, false);
    Properties1->setIcon(style->standardIcon(QStyle::SP_FileDialogInfoView));
    ChartPopUp->addAction(Properties1);
    bars_->SetPopupMenu(ChartPopUp);
    pies_->SetPopupMenu(ChartPopUp);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(20);

    for (QAction* a : {actLabels, actshowLegend, act3D, actExplode, actElypticPie, actShowHints2})
        connect(a, &QAction::toggled, this, [this] { ApplyOptions(); });
    connect(actRotateLeft, &QAction::toggled, this, [this] { OnRotationChanged(); });
    connect(actRotateRight, &QAction::toggled, this, [this] { OnRotationChanged(); });
    connect(Timer1, &QTimer::timeout, this, [this] { OnTick(); });

    connect(actBarsSpread, &QAction::triggered, this, [this] {
        bars_->SetPointsPerPage(20);
        bars_->ShowLastPage();
    });
    connect(actBarsUp, &QAction::triggered, this, [this] { bars_->Scroll(bars_->PointsPerPage() - 2); });
    connect(actBarsDown, &QAction::triggered, this, [this] { bars_->Scroll(2 - bars_->PointsPerPage()); });
    connect(actBarsNormal, &QAction::triggered, this, [this] { bars_->ResetView(); });
    connect(bars_, &Bars::viewChanged, this, [this] { UpdateActions(); });

    connect(actPoPDelFolder, &QAction::triggered, this, [this] {
        if (!tree_ || !chartTargetIsFolder_ || chartTargetPath_.empty()) return;
        // FindFolder falls back to the top folder: only the exact folder may go.
        std::string path = chartTargetPath_;
        if (path.size() > 1 && path.back() == '/') path.pop_back();
        TSizeFolder* folder = tree_->FindFolder(path);
        if (folder && folder != tree_->Top() && folder->Path() == path) emit deleteRequested(folder);
    });
    connect(actPopRefresh, &QAction::triggered, this, [this] {
        if (currentFolder_) emit refreshBranchRequested();
    });
    connect(actPopShowInVantu, &QAction::triggered, this, [this] {
        emit syncExplorerTreeRequested(currentPath_);
        emit rightPageRequested(3);
        emit leftPageRequested(0);
        emit statusTextRequested(0, Decode(currentPath_));
    });
    connect(actPopShowinExpl, &QAction::triggered, this, [this] {
        emit showInFileManagerRequested(currentPath_);
        emit leftPageRequested(0);
        emit statusTextRequested(0, Decode(currentPath_));
    });
    connect(Properties1, &QAction::triggered, this, [this] {
        if (currentFolder_) emit folderPropertiesRequested(currentPath_);
    });
    connect(ChartPopUp, &QMenu::aboutToShow, this, [this] { OnPopupAboutToShow(); });

    for (ChartView* chart : {static_cast<ChartView*>(bars_), static_cast<ChartView*>(pies_)}) {
        connect(chart, &ChartView::entryClicked, this,
                [this, chart](int index, Qt::MouseButton button) { OnEntryClicked(chart, index, button); });
        connect(chart, &ChartView::entryHovered, this, [this, chart](int index) { OnEntryHovered(chart, index); });
        connect(chart, &ChartView::mousePressed, this, [this] { ClearFolderContent(); });
        chart->installEventFilter(this);
    }
    connect(pies_, &ChartView::mouseReleased, this, [this] { ClearFolderContent(); });

    SetOptions(ChartOptions{});
    UpdateActions();
}

ChartsController::~ChartsController() = default;

void ChartsController::SetOptions(const ChartOptions& o) {
    const QSignalBlocker b1(actLabels), b2(actshowLegend), b3(act3D), b4(actExplode), b5(actElypticPie),
        b6(actFreeSpace), b7(actShowHints2);
    actLabels->setChecked(o.markVisible);
    actshowLegend->setChecked(o.showLegend);
    act3D->setChecked(o.toggle3D);
    actExplode->setChecked(o.explodeBiggest);
    actElypticPie->setChecked(o.elliptic);
    actFreeSpace->setChecked(o.freeSpace);
    actShowHints2->setChecked(o.showHints);
    enableZoom_ = o.enableZoom;
    barsGradient_ = o.barsGradient;
    ApplyOptions();
}

ChartOptions ChartsController::Options() const {
    ChartOptions o;
    o.markVisible = actLabels->isChecked();
    o.showLegend = actshowLegend->isChecked();
    o.toggle3D = act3D->isChecked();
    o.explodeBiggest = actExplode->isChecked();
    o.elliptic = actElypticPie->isChecked();
    o.freeSpace = actFreeSpace->isChecked();
    o.showHints = actShowHints2->isChecked();
    o.enableZoom = enableZoom_;
    o.barsGradient = barsGradient_;
    return o;
}

void ChartsController::ApplyOptions() {
    for (ChartView* chart : {static_cast<ChartView*>(bars_), static_cast<ChartView*>(pies_)}) {
        chart->SetMarksVisible(actLabels->isChecked());
        chart->SetLegendVisible(actshowLegend->isChecked());
        chart->Set3D(act3D->isChecked());
    }
    pies_->SetExplodeBiggest(actExplode->isChecked());
    pies_->SetElliptic(actElypticPie->isChecked());
    bars_->SetZoomEnabled(enableZoom_);
    bars_->SetGradient(barsGradient_);
    if (!actShowHints2->isChecked()) QToolTip::hideText();
    emit hintsToggled(actShowHints2->isChecked());
}

void ChartsController::UpdateActions() {
    const bool paged = bars_->PointsPerPage() > 0;
    actBarsSpread->setEnabled(!paged);
    actBarsUp->setEnabled(paged);
    actBarsDown->setEnabled(paged);
    actBarsNormal->setEnabled(paged);
    const bool haveFolder = currentFolder_ != nullptr;
    actRotateLeft->setEnabled(haveFolder);
    actRotateRight->setEnabled(haveFolder);
    actPopRefresh->setEnabled(haveFolder);
    // Only a folder entry can go: the files entry stands for the shown folder itself.
    actPoPDelFolder->setEnabled(haveFolder && tree_ && tree_->Top() && chartTargetIsFolder_);
    Properties1->setEnabled(haveFolder && propertiesAvailable_);
}

void ChartsController::SetPropertiesAvailable(bool on) {
    propertiesAvailable_ = on;
    UpdateActions();
}

void ChartsController::SetCurrentFolder(TSizeFolder* folder) {
    currentFolder_ = folder;
    UpdateActions();
}

void ChartsController::ShowFolderCharts(TSizeFolder* folder) {
    if (!folder) return;
    bars_->SetPointsPerPage(0);
    SortForCharts(*folder, sortMode_);
    ChartBuildOptions options;
    options.scanAllDrives = scanAllDrives_;
    options.showFreeSpace = actFreeSpace->isChecked();
    options.drives = drives_;
    auto model = std::make_shared<const ChartModel>(BuildChartModel(*folder, options));
    model_ = model;
    const QString title = partial_ ? model->title + QStringLiteral(" (partial)") : model->title;
    for (ChartView* chart : {static_cast<ChartView*>(bars_), static_cast<ChartView*>(pies_)}) {
        chart->SetTitle(title);
        chart->SetModel(model);
        chart->SetFreeSpaceText(model->freeSpaceText.value_or(QString()));
    }
    currentFolder_ = folder;
    UpdateActions();
}

void ChartsController::ShowFolderByPath(const std::string& path) {
    std::error_code ec;
    if (!tree_ || path.empty() || !std::filesystem::is_directory(path, ec)) return;
    // FindFolder drops one trailing slash; the root "/" must not become "" on the way.
    TSizeFolder* folder = tree_->FindFolder(path == "/" ? std::string("//") : path);
    if (!folder) return;
    currentFolder_ = folder;
    emit currentFolderChanged(folder);
    ShowFolderCharts(folder);
    emit goToPathRequested(path);
    emit selectFolderRowRequested(folder);
}

void ChartsController::ClearCharts() {
    bars_->ResetView();
    // Back to the look before the first scan: nothing of the dropped tree may stay.
    for (ChartView* chart : {static_cast<ChartView*>(bars_), static_cast<ChartView*>(pies_)}) {
        chart->ClearSeries();
        chart->SetTitle(kNoChartTitle);
        chart->SetFreeSpaceText(QString());
    }
    model_.reset();
    currentFolder_ = nullptr;
    chartTargetPath_.clear();
    chartTargetIsFolder_ = false;
    ClearFolderContent();
    UpdateActions();
}

void ChartsController::SetRestored(bool on) {
    bars_->SetRestoredVisible(on);
    pies_->SetRestoredVisible(on);
}

QString ChartsController::HoverText(int index) const {
    const ChartModel* model = bars_->Model();
    return model ? model->MarkText(index) : QString();
}

void ChartsController::OnEntryClicked(ChartView* chart, int index, Qt::MouseButton button) {
    const ChartModel* model = chart->Model();
    if (!model || !currentFolder_ || index < 0 || index >= model->count()) return;
    if (button != Qt::LeftButton && button != Qt::RightButton) return;
    const ChartEntry& entry = model->entries[static_cast<size_t>(index)];
    const std::string base = currentFolder_->Path() == kAllDrives ? std::string() : WithSlash(currentFolder_->Path());
    if (chart == bars_) emit leftPageRequested(1);
    // The entry's own path rather than base + label: labels are for display and may have lost
    // bytes that are not valid in the locale's encoding.
    const std::string target = entry.kind == ChartEntryKind::Folder ? WithSlash(entry.path) : base;
    currentPath_ = target;
    emit currentPathChanged(target);
    if (button == Qt::RightButton) {
        chartTargetPath_ = target;
        chartTargetIsFolder_ = entry.kind == ChartEntryKind::Folder;
        UpdateActions();
        emit chartTargetPathChanged(target);
    } else if (drillDown_) {
        drillDown_(target);
    } else {
        ShowFolderByPath(target);
    }
}

void ChartsController::OnEntryHovered(ChartView* chart, int index) {
    if (chart == pies_) QToolTip::hideText();
    const QString text = index >= 0 ? HoverText(index) : QString();
    emit statusTextRequested(2, text);
    chart->setToolTip(text + QStringLiteral("\nLeft click to visualize folder\nRight click to open menu"));
}

bool ChartsController::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip && !actShowHints2->isChecked() &&
        (watched == bars_ || watched == pies_))
        return true;
    return QObject::eventFilter(watched, event);
}

void ChartsController::OnRotationChanged() {
    if (actRotateLeft->isChecked() || actRotateRight->isChecked())
        Timer1->start();
    else
        Timer1->stop();  // an idle tick would change nothing
}

void ChartsController::OnTick() {
    if (actRotateRight->isChecked())
        pies_->SetRotation((pies_->Rotation() + 359) % 360);
    else if (actRotateLeft->isChecked())
        pies_->SetRotation((pies_->Rotation() + 1) % 360);
}

void ChartsController::ClearFolderContent() {
    for (QMenu* sub : Contentoffolder1->findChildren<QMenu*>(Qt::FindDirectChildrenOnly)) sub->deleteLater();
    Contentoffolder1->clear();
}

void ChartsController::OnPopupAboutToShow() {
    if (Contentoffolder1->actions().size() <= 1) {
        ClearFolderContent();
        FillFolderMenu(Contentoffolder1, currentPath_);
    }
}

void ChartsController::FillFolderMenu(QMenu* menu, const std::string& folder) {
    if (folder.empty()) return;
    const std::string base = WithSlash(folder);
    int added = 0;
    for (const platform::DirEntry& e : platform::ListFolder(folder)) {
        if (added++ == kMaxMenuEntries) {
            menu->addAction(QStringLiteral("..."))->setEnabled(false);
            break;
        }
        const std::string path = base + e.name;
        const QString qpath = Decode(path);
        QString caption = QFile::decodeName(QByteArray::fromStdString(e.name));
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        if (e.kind == platform::EntryKind::Folder) {
            QMenu* sub = menu->addMenu(icons_->icon(QFileIconProvider::Folder), caption);
            sub->setToolTipsVisible(true);
            sub->menuAction()->setToolTip(qpath);
            QAction* placeholder = sub->addAction(caption);
            placeholder->setToolTip(qpath);
            connect(sub, &QMenu::aboutToShow, this, [this, sub, path] {
                if (sub->actions().size() > 1) return;
                FillFolderMenu(sub, path);
                const QList<QAction*> items = sub->actions();
                if (!items.isEmpty()) {
                    sub->removeAction(items.first());
                    delete items.first();
                }
            });
        } else {
            // The size goes in the menu's right column, where shortcuts would stand.
            const QString size = SizeCellText(static_cast<double>(e.size) / 1024.0 / 1024.0);
            QAction* item = menu->addAction(icons_->icon(QFileInfo(qpath)), caption + QLatin1Char('\t') + size);
            item->setToolTip(qpath);
            connect(item, &QAction::triggered, this, [this, path, qpath] {
                emit openWithShellRequested(path);
                emit leftPageRequested(0);
                emit statusTextRequested(0, qpath);
            });
        }
    }
}

}  // namespace vantum::views
