#pragma once
// The web browsers' caches and histories of this user, found where each browser keeps them:
//
//   Firefox            profiles in ~/.mozilla/firefox/*, caches in ~/.cache/mozilla/firefox/*/cache2
//   Chromium family    (Chromium, Google Chrome, Brave, Vivaldi, Microsoft Edge) user data in
//                      ~/.config/<browser>, profiles "Default" and "Profile N", caches in
//                      ~/.cache/<browser>/<profile>
//   flatpak builds     the same below ~/.var/app/<app id>/ (.mozilla, config, cache)
//
// A browser whose profile is locked (Firefox "lock" or a held ".parentlock", Chromium
// "SingletonLock") is running: it is skipped with a message naming it and nothing of it is
// touched. Caches are deleted permanently (moving a cache to the trash wins no space).
// History: Chromium's History (and its journal), Visited Links and Top Sites files; Firefox's
// history rows in places.sqlite (visits, and the places no bookmark or keyword needs), never the
// file, which holds the bookmarks.

#include <string>
#include <vector>

#include "cleaning/clean_report.h"

namespace vantum::cleaning {

struct BrowserFolders {
    std::string home;        // $HOME
    std::string configHome;  // $XDG_CONFIG_HOME or ~/.config
    std::string cacheHome;   // $XDG_CACHE_HOME or ~/.cache
    static BrowserFolders ForSession();
};

struct BrowserProfile {
    std::string browser;      // "Firefox", "Chromium", "Google Chrome (flatpak)", ...
    bool firefox = false;
    std::string profileDir;   // where the history lives
    std::string cacheDir;     // the profile's cache folder (may not exist)
    std::string lockFile;     // the lock that was found; empty when the browser is not running
};

std::vector<BrowserProfile> FindBrowserProfiles(const BrowserFolders& folders);

// With listOnly nothing is touched and the report says what a clean would remove.
CleanReport CleanBrowserCaches(const std::vector<BrowserProfile>& profiles, bool listOnly);
CleanReport CleanBrowserHistory(const std::vector<BrowserProfile>& profiles, bool listOnly);

}  // namespace vantum::cleaning
