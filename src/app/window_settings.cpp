#include "app/window_settings.h"

#include <QAction>
#include <QLayout>
#include <QMainWindow>
#include <QStackedWidget>
#include <algorithm>

#include "app/app_actions.h"
#include "app/history_controller.h"
#include "app/navigation.h"
#include "gui/path_text.h"
#include "gui/prompts.h"
#include "app/scan_controller.h"
#include "app/sort_mode.h"
#include "app/view_switches.h"
#include "app/window_layout.h"
#include "settings/ini_file.h"

namespace vantum::app {

WindowSettings::WindowSettings(std::string path, SettingsTargets targets, Prompts& prompts)
    : path_(std::move(path)), t_(targets), prompts_(prompts) {}

void WindowSettings::Load(const std::function<void()>& showWelcome) {
    settings::FirstRunResult first = settings::PrepareSettingsFile(path_, showWelcome);
    for (const std::string& m : first.messages) prompts_.Message(QString::fromStdString(m), Prompts::Kind::Error);

    settings::IniFile ini(path_);
    // A file that could not be read (the user was told above) is left exactly as it is: the
    // defaults apply for this run and are not written over it at exit.
    keepFile_ = ini.state() == settings::IniFile::State::Unreadable;
    values_ = settings::ReadMainWindowSettings(ini);
    const settings::MainWindowSettings& s = values_;

    t_.window.setGeometry(s.left, s.top, std::max(s.width, t_.window.minimumWidth()),
                          std::max(s.height, t_.window.minimumHeight()));
    // Shown maximised by the activation; the bounds stay the normal geometry.
    if (s.maximized) t_.window.setWindowState(t_.window.windowState() | Qt::WindowMaximized);
    t_.widgets.pages->setCurrentIndex(s.tabSheet >= 0 && s.tabSheet < kRightPageCount ? s.tabSheet : 0);
    if (!s.showDirTree) {
        // Collapsed with no width remembered: the next restore gives the default width.
        if (t_.window.layout()) t_.window.layout()->activate();
        t_.switches.SetDirPanelWidth(1);
    }
    AppActions& a = t_.actions;
    a.actElypticPie->setChecked(s.elypticPie);
    a.actExplode->setChecked(s.explodeBiggest);
    a.actLabels->setChecked(s.markVisible);
    a.actshowLegend->setChecked(s.showLegend);
    a.act3D->setChecked(s.toggle3D);
    a.actFreeSpace->setChecked(s.freeSpace);
    t_.switches.SetHistoryShown(s.showHistoryCombo);
    t_.switches.SetHintsShown(s.showHints);
    t_.scan.CountSystemFolders = s.countSystemFolders;
    t_.scan.ApparentSizes = s.apparentSizes;
    t_.sort.SetSortMode(s.sort);
    QStringList items;
    for (const std::string& h : s.history) items << gui::FromBytes(h);
    t_.history.SetItems(items);
    t_.history.HistorySize = s.historySize;
    loaded_ = true;
}

QString WindowSettings::StartFolder() const { return gui::FromBytes(values_.lastDir); }

settings::MainWindowSettings WindowSettings::Collect() const {
    settings::MainWindowSettings s = values_;
    const QRect g = t_.window.geometry();
    s.left = g.left();
    s.top = g.top();
    s.width = g.width();
    s.height = g.height();
    s.maximized = t_.window.windowState() & Qt::WindowMaximized;
    s.tabSheet = t_.widgets.pages->currentIndex();
    s.showDirTree = t_.switches.DirPanelWidth() > 8;
    const AppActions& a = t_.actions;
    s.explodeBiggest = a.actExplode->isChecked();
    s.markVisible = a.actLabels->isChecked();
    s.showLegend = a.actshowLegend->isChecked();
    s.toggle3D = a.act3D->isChecked();
    s.freeSpace = a.actFreeSpace->isChecked();
    s.showHistoryCombo = t_.switches.HistoryShown();
    s.sort = t_.sort.SortMode();
    s.showHints = a.actShowHints2->isChecked();
    s.elypticPie = a.actElypticPie->isChecked();
    // A start folder that could not be opened stays as it was rather than being lost.
    if (!t_.navigation.CurrentPath().isEmpty()) s.lastDir = gui::ToBytes(t_.navigation.CurrentPath());
    s.history.clear();
    for (const QString& h : t_.history.Items()) s.history.push_back(gui::ToBytes(h));
    return s;
}

bool WindowSettings::Save() {
    if (!loaded_ || keepFile_) return true;
    values_ = Collect();
    const Qt::WindowStates st = t_.window.windowState();
    const bool normal = !(st & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    settings::IniResult r = settings::SaveMainWindowSettings(path_, values_, normal);
    if (!r) {
        prompts_.Message(QString::fromStdString(r.message), Prompts::Kind::Error);
        return false;
    }
    return true;
}

}  // namespace vantum::app
