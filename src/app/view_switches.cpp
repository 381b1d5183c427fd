#include "app/view_switches.h"

#include <QComboBox>
#include <QLabel>
#include <QMainWindow>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolButton>
#include <algorithm>

#include "app/analyser_views.h"
#include "app/app_actions.h"
#include "app/gauge_status.h"
#include "app/layout_rules.h"
#include "app/navigation.h"
#include "app/tip_window.h"
#include "app/window_layout.h"

namespace vantum::app {

ViewSwitches::ViewSwitches(WindowWidgets& widgets, AppActions& actions, Navigation& navigation,
                           GaugeStatus& status, AnalyserViewsSlot& views, TipController& tips,
                           std::function<void()> applyColorScheme, QObject* parent)
    : QObject(parent), w_(widgets), a_(actions), nav_(navigation), status_(status), views_(views), tips_(tips),
      applyColorScheme_(std::move(applyColorScheme)) {
    for (int i = 0; i < kRightPageCount; ++i)
        connect(w_.pageButtons[static_cast<size_t>(i)], &QToolButton::clicked, this, [this, i] { PageButtonClick(i); });
    connect(w_.pages, &QStackedWidget::currentChanged, this, [this](int i) {
        if (i >= 0 && i < kRightPageCount) w_.pageButtons[static_cast<size_t>(i)]->setChecked(true);
    });
    w_.pageButtons[0]->setChecked(true);
    connect(w_.explorerTreeButton, &QToolButton::clicked, this, &ViewSwitches::ExplorerTreeButtonClick);
    connect(w_.sizeTreeButton, &QToolButton::clicked, this, &ViewSwitches::SizeTreeButtonClick);

    connect(a_.actToggleDirTree, &QAction::triggered, this, &ViewSwitches::ToggleDirTree);
    connect(a_.actToggleCharts, &QAction::triggered, this, &ViewSwitches::SetFullSizeTree);
    connect(a_.actFolderHistory, &QAction::triggered, this, &ViewSwitches::SetHistoryShown);
    connect(a_.actShowHints2, &QAction::triggered, this, &ViewSwitches::SetHintsShown);
    connect(a_.Action8, &QAction::triggered, this, [this] {
        if (applyColorScheme_) applyColorScheme_();
    });
    a_.actShowHints2->setChecked(true);
    w_.splitter->setCollapsible(1, true);
}

void ViewSwitches::PageButtonClick(int page) {
    if (page < 0 || page >= kRightPageCount) return;
    const bool haveFolder = nav_.CurrentFolder() != nullptr;
    switch (page) {
    case kBarsPage:
    case kPiesPage:
        if (haveFolder) w_.fpc2->setCurrentIndex(kSizeTreePage);
        break;
    case kExplorerPage:
        w_.fpc2->setCurrentIndex(kExplorerTreePage);
        break;
    default:
        break;
    }
    w_.pages->setCurrentIndex(page);
}

void ViewSwitches::ExplorerTreeButtonClick() {
    w_.fpc2->setCurrentIndex(kExplorerTreePage);
    nav_.GoToPath(nav_.CurrentPath(), true);
}

void ViewSwitches::SizeTreeButtonClick() { w_.fpc2->setCurrentIndex(kSizeTreePage); }

int ViewSwitches::DirPanelWidth() const {
    const QList<int> sizes = w_.splitter->sizes();
    return sizes.isEmpty() ? 0 : sizes.front();
}

void ViewSwitches::SetDirPanelWidth(int width) {
    const int total = std::max(w_.splitter->width() - w_.splitter->handleWidth(), 2);
    width = std::clamp(width, 1, total);
    w_.splitter->setSizes({width, std::max(total - width, 0)});
}

void ViewSwitches::ToggleDirTree() {
    DirPanelToggle t = ToggleDirPanel(DirPanelWidth(), remembered_, w_.window->width());
    remembered_ = t.remembered;
    SetDirPanelWidth(t.panelWidth);
}

void ViewSwitches::SetFullSizeTree(bool on) {
    w_.fpc2->setCurrentIndex(kSizeTreePage);
    if (on) SetDirPanelWidth(w_.window->width());
    else SetDirPanelWidth(200);
    views_->SetFullSizeTree(on);
}

void ViewSwitches::SetHistoryShown(bool on) {
    a_.actFolderHistory->setChecked(on);
    w_.comboPanel->setVisible(on);
    w_.historyCombo->setVisible(on);
    status_.UpdateExplorerSpacer();
}

bool ViewSwitches::HistoryShown() const { return a_.actFolderHistory->isChecked(); }

void ViewSwitches::SetHintsShown(bool on) {
    a_.actShowHints2->setChecked(on);
    tips_.SetHintsEnabled(on);
}

void ViewSwitches::WindowResized() {
    ArrangeCoolBar(w_);
    w_.historyCombo->setFixedWidth(std::max(w_.pages->width() - 24, 40));
    if (a_.actToggleCharts->isChecked()) SetFullSizeTree(true);
    w_.panels[1]->setFixedWidth(
        StatusPanel1Width(w_.statusBar->width(), w_.panels[0]->width(), w_.panels[2]->width()));
}

}  // namespace vantum::app
