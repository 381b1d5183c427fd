#include "cleaning/browser_traces.h"

#include <dirent.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "cleaning/file_guard.h"
#include "cleaning/tree_cleaner.h"

namespace vantum::cleaning {

namespace {

struct ChromiumKind {
    const char* name;
    const char* folder;     // below the config and cache folders
    const char* flatpakId;  // flatpak application id
};
constexpr ChromiumKind kChromiums[] = {
    {"Chromium", "chromium", "org.chromium.Chromium"},
    {"Google Chrome", "google-chrome", "com.google.Chrome"},
    {"Brave", "BraveSoftware/Brave-Browser", "com.brave.Browser"},
    {"Vivaldi", "vivaldi", "com.vivaldi.Vivaldi"},
    {"Microsoft Edge", "microsoft-edge", "com.microsoft.Edge"},
};
constexpr const char* kFirefoxFlatpak = "org.mozilla.firefox";
constexpr const char* kChromiumHistoryFiles[] = {"History", "History-journal", "Visited Links", "Top Sites",
                                                 "Top Sites-journal"};

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}
bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<std::string> SubFolders(const std::string& folder) {
    std::vector<std::string> names;
    DIR* d = ::opendir(folder.c_str());
    if (!d) return names;
    while (dirent* e = ::readdir(d)) {
        std::string n = e->d_name;
        if (n != "." && n != ".." && IsFolder(folder + "/" + n)) names.push_back(n);
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

// Firefox holds an fcntl lock on .parentlock while it runs; the file itself stays after exit.
bool ParentLockHeld(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    bool held = ::fcntl(fd, F_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
    ::close(fd);
    return held;
}

void AddFirefox(std::vector<BrowserProfile>& out, const std::string& name, const std::string& profiles,
                const std::string& caches) {
    for (const auto& p : SubFolders(profiles)) {
        std::string dir = profiles + "/" + p;
        if (!Exists(dir + "/places.sqlite") && !Exists(dir + "/prefs.js")) continue;
        BrowserProfile b;
        b.browser = name;
        b.firefox = true;
        b.profileDir = dir;
        b.cacheDir = caches + "/" + p + "/cache2";
        if (Exists(dir + "/lock")) b.lockFile = dir + "/lock";
        else if (ParentLockHeld(dir + "/.parentlock")) b.lockFile = dir + "/.parentlock";
        out.push_back(std::move(b));
    }
}

void AddChromium(std::vector<BrowserProfile>& out, const std::string& name, const std::string& userData,
                 const std::string& caches) {
    if (!IsFolder(userData)) return;
    std::string lock = Exists(userData + "/SingletonLock") ? userData + "/SingletonLock" : std::string();
    for (const auto& p : SubFolders(userData)) {
        if (p != "Default" && p.rfind("Profile ", 0) != 0) continue;
        BrowserProfile b;
        b.browser = name;
        b.profileDir = userData + "/" + p;
        b.cacheDir = caches + "/" + p;
        b.lockFile = lock;
        out.push_back(std::move(b));
    }
}

std::string Running(const BrowserProfile& p) {
    return p.browser + " is running (its profile " + p.profileDir + " is locked by " +
           p.lockFile.substr(p.lockFile.rfind('/') + 1) + "); close it and clean again";
}

// Firefox history rows, counted or deleted in one transaction. Bookmarked places and places a
// keyword names stay, with their visit counts reset.
void FirefoxHistory(const BrowserProfile& p, bool listOnly, CleanReport& report) {
    std::string file = p.profileDir + "/places.sqlite";
    if (!Exists(file)) return;
    sqlite3* db = nullptr;
    int flags = (listOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOFOLLOW;
    auto fail = [&](const std::string& what) {
        report.skipped.push_back(file + ": " + what + (db ? std::string(": ") + sqlite3_errmsg(db) : std::string()));
        if (db) {
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close(db);
        }
    };
    if (sqlite3_open_v2(file.c_str(), &db, flags, nullptr) != SQLITE_OK) return fail("cannot open the history");
    sqlite3_busy_timeout(db, 0);
    auto hasTable = [&](const char* table) {
        sqlite3_stmt* st = nullptr;
        bool found = false;
        if (sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_master WHERE type='table' AND name=?", -1, &st, nullptr) == SQLITE_OK) {
            sqlite3_bind_text(st, 1, table, -1, SQLITE_STATIC);
            found = sqlite3_step(st) == SQLITE_ROW;
        }
        sqlite3_finalize(st);
        return found;
    };
    auto count = [&](const std::string& sql) -> long long {
        sqlite3_stmt* st = nullptr;
        long long n = -1;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            n = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        return n;
    };
    if (!hasTable("moz_places") || !hasTable("moz_historyvisits") || !hasTable("moz_bookmarks"))
        return fail("not a Firefox history database");
    std::string kept = "SELECT fk FROM moz_bookmarks WHERE fk IS NOT NULL";
    if (hasTable("moz_keywords")) kept += " UNION SELECT place_id FROM moz_keywords WHERE place_id IS NOT NULL";
    const std::string doomedPlaces = "FROM moz_places WHERE id NOT IN (" + kept + ")";
    if (sqlite3_exec(db, listOnly ? "BEGIN" : "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail("the history is in use");
    long long visits = count("SELECT COUNT(*) FROM moz_historyvisits");
    long long places = count("SELECT COUNT(*) " + doomedPlaces);
    if (visits < 0 || places < 0) return fail("cannot read the history");
    if (!listOnly) {
        std::vector<std::string> steps = {
            "DELETE FROM moz_historyvisits",
            "DELETE " + doomedPlaces,
            "UPDATE moz_places SET visit_count = 0, last_visit_date = NULL",
        };
        if (hasTable("moz_inputhistory")) steps.push_back("DELETE FROM moz_inputhistory");
        if (hasTable("moz_places_metadata")) steps.push_back("DELETE FROM moz_places_metadata");
        if (hasTable("moz_annos")) steps.push_back("DELETE FROM moz_annos WHERE place_id NOT IN (SELECT id FROM moz_places)");
        if (hasTable("moz_origins") && count("SELECT COUNT(*) FROM pragma_table_info('moz_places') WHERE name='origin_id'") > 0)
            steps.push_back("DELETE FROM moz_origins WHERE id NOT IN (SELECT origin_id FROM moz_places WHERE origin_id IS NOT NULL)");
        steps.push_back("COMMIT");
        for (const auto& sql : steps)
            if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) return fail("cannot clean the history");
    } else {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    sqlite3_close(db);
    if (visits || places) {
        report.removed.push_back(p.browser + " history in " + file + ": " + std::to_string(visits) + " visits, " +
                                 std::to_string(places) + " pages");
        report.items += static_cast<std::uint64_t>(visits + places);
    }
}

}  // namespace

BrowserFolders BrowserFolders::ForSession() {
    auto env = [](const char* name) {
        const char* v = std::getenv(name);
        return std::string(v && *v == '/' ? v : "");
    };
    BrowserFolders f;
    f.home = env("HOME");
    f.configHome = env("XDG_CONFIG_HOME");
    if (f.configHome.empty()) f.configHome = f.home + "/.config";
    f.cacheHome = env("XDG_CACHE_HOME");
    if (f.cacheHome.empty()) f.cacheHome = f.home + "/.cache";
    return f;
}

std::vector<BrowserProfile> FindBrowserProfiles(const BrowserFolders& f) {
    std::vector<BrowserProfile> out;
    if (f.home.empty()) return out;
    AddFirefox(out, "Firefox", f.home + "/.mozilla/firefox", f.cacheHome + "/mozilla/firefox");
    std::string flat = f.home + "/.var/app/";
    AddFirefox(out, "Firefox (flatpak)", flat + kFirefoxFlatpak + "/.mozilla/firefox",
               flat + kFirefoxFlatpak + "/cache/mozilla/firefox");
    for (const auto& k : kChromiums) {
        AddChromium(out, k.name, f.configHome + "/" + k.folder, f.cacheHome + "/" + k.folder);
        AddChromium(out, std::string(k.name) + " (flatpak)", flat + k.flatpakId + "/config/" + k.folder,
                    flat + k.flatpakId + "/cache/" + k.folder);
    }
    return out;
}

CleanReport CleanBrowserCaches(const std::vector<BrowserProfile>& profiles, bool listOnly) {
    CleanReport report;
    for (const auto& p : profiles) {
        if (!p.lockFile.empty()) {
            report.skipped.push_back(Running(p));
            continue;
        }
        report.Add(CleanFolderContents(p.cacheDir, listOnly));
    }
    return report;
}

CleanReport CleanBrowserHistory(const std::vector<BrowserProfile>& profiles, bool listOnly) {
    CleanReport report;
    for (const auto& p : profiles) {
        if (!p.lockFile.empty()) {
            report.skipped.push_back(Running(p));
            continue;
        }
        if (p.firefox) {
            FirefoxHistory(p, listOnly, report);
            continue;
        }
        for (const char* name : kChromiumHistoryFiles) {
            std::string file = p.profileDir + "/" + name;
            auto stamp = StampOf(file);
            if (!stamp) continue;
            std::string why;
            if (!listOnly && !RemoveListedEntry(file, *stamp, &why)) {
                report.skipped.push_back(why);
                continue;
            }
            report.removed.push_back(p.browser + ": " + file);
            report.bytesFreed += stamp->size;
            ++report.items;
        }
    }
    return report;
}

}  // namespace vantum::cleaning
