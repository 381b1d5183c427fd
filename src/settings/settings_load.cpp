#include "settings/settings_load.h"

#include <sys/stat.h>

#include "settings/history_lists.h"
#include "settings/settings_keys.h"

namespace vantum::settings {

FirstRunResult PrepareSettingsFile(const std::string& path,
                                   const std::function<void()>& showWelcome) {
    FirstRunResult r;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        r.firstRun = true;
        if (showWelcome) showWelcome();
        if (!MakeSureExists(path)) {
            r.messages.emplace_back("Error creating ini file");
            return r;
        }
        r.created = true;
    }
    IniFile ini(path);
    if (ini.state() == IniFile::State::Unreadable) {
        r.messages.push_back(ini.loadError());
        return r;
    }
    // Without a file there is nothing to write into; the keys read as their defaults.
    if (ini.state() != IniFile::State::Loaded) return r;
    if (!ini.SectionExists(key::SplashShow.section)) {
        Write(ini, key::SplashShow, true);
        if (IniResult saved = ini.Save())
            r.splashWritten = true;
        else
            r.messages.push_back(saved.message);
    }
    return r;
}

MainWindowSettings ReadMainWindowSettings(const IniFile& ini) {
    MainWindowSettings s;
    s.left = Read(ini, key::BoundsLeft);
    s.maximized = Read(ini, key::BoundsMaximized);
    s.width = Read(ini, key::BoundsWidth);
    s.top = Read(ini, key::BoundsTop);
    s.height = Read(ini, key::BoundsHeight);
    s.tabSheet = Read(ini, key::PageTabSheet);
    s.showDirTree = Read(ini, key::ShowDirTree);
    s.explorerShredder = Read(ini, key::ExplorerShredder);
    s.shredderCount = Read(ini, key::ShredderCount);
    s.compressionRatio = Read(ini, key::CompressionRatio);
    s.elypticPie = Read(ini, key::ElypticPie);
    s.explodeBiggest = Read(ini, key::ExplodeBiggest);
    s.markVisible = Read(ini, key::MarkVisible);
    s.showLegend = Read(ini, key::ShowLegend);
    s.toggle3D = Read(ini, key::Toggle3D);
    s.freeSpace = Read(ini, key::FreeSpace);
    s.copyDir = Read(ini, key::CopyDir);
    s.showHistoryCombo = Read(ini, key::ShowHistoryCombo);
    s.useExternalExplorer = Read(ini, key::UseExternalExplorer);
    s.sort = Read(ini, key::Sort);
    s.showHints = Read(ini, key::ShowHints);
    s.spaceGainShow = Read(ini, key::SpaceGainShow);
    s.countSystemFolders = Read(ini, key::CountSystemFolders);
    s.apparentSizes = Read(ini, key::ApparentSizes);
    s.lastDir = Read(ini, key::LastDir);
    s.enableZoom = Read(ini, key::EnableZoom);
    s.barsGradient = Read(ini, key::BarsGradient);
    s.history = ReadFolderHistory(ini);
    s.historySize = Read(ini, key::HistorySize);
    s.tempFolders = ReadTempFolders(ini);
    return s;
}

void WriteMainWindowSettings(IniFile& ini, const MainWindowSettings& s, bool windowStateNormal) {
    Write(ini, key::BoundsMaximized, s.maximized);
    if (windowStateNormal) {
        Write(ini, key::BoundsLeft, s.left);
        Write(ini, key::BoundsWidth, s.width);
        Write(ini, key::BoundsTop, s.top);
        Write(ini, key::BoundsHeight, s.height);
    }
    Write(ini, key::ShowDirTree, s.showDirTree);
    Write(ini, key::ExplodeBiggest, s.explodeBiggest);
    Write(ini, key::MarkVisible, s.markVisible);
    Write(ini, key::ShowLegend, s.showLegend);
    Write(ini, key::Toggle3D, s.toggle3D);
    Write(ini, key::FreeSpace, s.freeSpace);
    Write(ini, key::ShowHistoryCombo, s.showHistoryCombo);
    Write(ini, key::Sort, s.sort);
    Write(ini, key::ShowHints, s.showHints);
    Write(ini, key::ElypticPie, s.elypticPie);
    Write(ini, key::PageTabSheet, s.tabSheet);
    Write(ini, key::LastDir, s.lastDir);
    Write(ini, key::CopyDir, s.copyDir);
    WriteTempFolders(ini, s.tempFolders);
    WriteFolderHistory(ini, s.history);
}

IniResult SaveMainWindowSettings(const std::string& path, const MainWindowSettings& s,
                                 bool windowStateNormal) {
    if (IniResult made = MakeSureExists(path); !made) return made;
    IniFile ini(path);
    WriteMainWindowSettings(ini, s, windowStateNormal);
    return ini.Save();
}

}  // namespace vantum::settings
