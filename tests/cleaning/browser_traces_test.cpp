#include "cleaning/browser_traces.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace vantum::cleaning {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

void Sql(const std::string& file, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    char* err = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err), SQLITE_OK) << (err ? err : "");
    sqlite3_free(err);
    sqlite3_close(db);
}

long long Count(const std::string& file, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    long long n = -1;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        n = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    sqlite3_close(db);
    return n;
}

// A Firefox profile: five pages, two bookmarked and one with a keyword, visits to each.
void FirefoxProfile(const TempDir& home, const std::string& profile) {
    std::string dir = home.mkdir(".mozilla/firefox/" + profile);
    Sql(dir + "/places.sqlite",
        "CREATE TABLE moz_origins (id INTEGER PRIMARY KEY, prefix TEXT, host TEXT);"
        "CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url TEXT, title TEXT, visit_count INTEGER DEFAULT 0,"
        " last_visit_date INTEGER, origin_id INTEGER);"
        "CREATE TABLE moz_historyvisits (id INTEGER PRIMARY KEY, from_visit INTEGER, place_id INTEGER, visit_date INTEGER);"
        "CREATE TABLE moz_bookmarks (id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER, parent INTEGER, title TEXT);"
        "CREATE TABLE moz_keywords (id INTEGER PRIMARY KEY, keyword TEXT, place_id INTEGER);"
        "CREATE TABLE moz_inputhistory (place_id INTEGER, input TEXT, use_count INTEGER);"
        "INSERT INTO moz_origins VALUES (1,'https://','kept.org'),(2,'https://','gone.org');"
        "INSERT INTO moz_places VALUES (1,'https://kept.org/a','A',3,1,1),(2,'https://kept.org/b','B',1,1,1),"
        " (3,'https://kept.org/k','K',1,1,1),(4,'https://gone.org/x','X',2,1,2),(5,'https://gone.org/y','Y',1,1,2);"
        "INSERT INTO moz_historyvisits (place_id, visit_date) VALUES (1,1),(1,2),(1,3),(2,1),(3,1),(4,1),(4,2),(5,1);"
        "INSERT INTO moz_bookmarks VALUES (1,2,NULL,0,'root'),(2,2,NULL,1,'menu'),(3,1,1,2,'A'),(4,1,2,2,'B');"
        "INSERT INTO moz_keywords VALUES (1,'k',3);"
        "INSERT INTO moz_inputhistory VALUES (4,'go',1);");
    home.write(".cache/mozilla/firefox/" + profile + "/cache2/entries/AB12", std::string(10000, 'c'));
    home.write(".cache/mozilla/firefox/" + profile + "/cache2/doomed/CD34", "c");
    home.write(".cache/mozilla/firefox/" + profile + "/startupCache/keep", "not the cache2 folder");
}

struct Homes {
    TempDir home;
    BrowserFolders folders{home.path(), home / ".config", home / ".cache"};
    Homes() {
        FirefoxProfile(home, "abc.default");
        FirefoxProfile(home, "xyz.locked");
        fs::create_symlink("127.0.1.1:+4242", home / ".mozilla/firefox/xyz.locked/lock");  // Firefox's own form
        home.write("outside/precious", "target of a link in the cache");
        fs::create_symlink(home / "outside/precious", home / ".cache/mozilla/firefox/abc.default/cache2/link");
        ::mkfifo((home / ".cache/mozilla/firefox/abc.default/cache2/fifo").c_str(), 0600);

        for (const std::string profile : {"Default", "Profile 1"})
            for (const std::string file : {"History", "History-journal", "Visited Links", "Top Sites", "Bookmarks", "Preferences"})
                home.write(".config/chromium/" + profile + "/" + file, file);
        home.write(".config/chromium/System Profile/History", "not a user profile");
        home.write(".cache/chromium/Default/Cache/Cache_Data/f_000001", std::string(5000, 'x'));

        home.write(".config/google-chrome/Default/History", "Chrome runs");
        home.write(".cache/google-chrome/Default/Cache/f", "Chrome's cache");
        fs::create_symlink("host-1234", home / ".config/google-chrome/SingletonLock");

        home.write(".var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser/Default/History", "brave");
        home.write(".var/app/com.brave.Browser/cache/BraveSoftware/Brave-Browser/Default/Cache/f", "brave cache");
    }
};

bool Contains(const std::vector<std::string>& lines, const std::string& part) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; });
}

TEST(BrowserTraces, FindsEachBrowserAndItsLock) {
    Homes h;
    auto profiles = FindBrowserProfiles(h.folders);
    std::vector<std::string> seen;
    for (const auto& p : profiles)
        seen.push_back(p.browser + ":" + fs::path(p.profileDir).filename().string() + (p.lockFile.empty() ? "" : ":locked"));
    EXPECT_EQ(seen, (std::vector<std::string>{"Firefox:abc.default", "Firefox:xyz.locked:locked", "Chromium:Default",
                                              "Chromium:Profile 1", "Google Chrome:Default:locked",
                                              "Brave (flatpak):Default"}));

    TempDir empty;
    EXPECT_TRUE(FindBrowserProfiles({empty.path(), empty / ".config", empty / ".cache"}).empty());
}

TEST(BrowserTraces, ListingTouchesNothingAndCleaningCachesSkipsRunningBrowsers) {
    Homes h;
    auto profiles = FindBrowserProfiles(h.folders);
    const std::string ff = h.home / ".cache/mozilla/firefox/abc.default/cache2";

    auto preview = CleanBrowserCaches(profiles, true);
    EXPECT_EQ(preview.items, 5u);  // 2 Firefox files and a link, Chromium's and Brave's file
    EXPECT_GE(preview.bytesFreed, 10000u);
    EXPECT_TRUE(fs::exists(ff + "/entries/AB12"));

    auto done = CleanBrowserCaches(profiles, false);
    EXPECT_EQ(done.items, preview.items);
    EXPECT_EQ(done.bytesFreed, preview.bytesFreed);
    EXPECT_TRUE(fs::is_directory(ff));
    EXPECT_FALSE(fs::exists(ff + "/entries"));
    EXPECT_FALSE(fs::is_symlink(ff + "/link"));
    EXPECT_TRUE(fs::exists(h.home / "outside/precious"));  // a link goes, never its target
    EXPECT_TRUE(fs::exists(ff + "/fifo"));
    EXPECT_TRUE(Contains(done.skipped, "fifo: not a file"));
    EXPECT_TRUE(fs::exists(h.home / ".cache/mozilla/firefox/abc.default/startupCache/keep"));
    EXPECT_FALSE(fs::exists(h.home / ".cache/chromium/Default/Cache/Cache_Data/f_000001"));
    EXPECT_FALSE(fs::exists(h.home / ".var/app/com.brave.Browser/cache/BraveSoftware/Brave-Browser/Default/Cache/f"));
    // Running browsers: named, untouched.
    EXPECT_TRUE(fs::exists(h.home / ".cache/mozilla/firefox/xyz.locked/cache2/entries/AB12"));
    EXPECT_TRUE(fs::exists(h.home / ".cache/google-chrome/Default/Cache/f"));
    EXPECT_TRUE(Contains(done.skipped, "Google Chrome is running"));
    EXPECT_TRUE(Contains(done.skipped, "Firefox is running"));
}

TEST(BrowserTraces, HistoryGoesAndBookmarksStay) {
    Homes h;
    auto profiles = FindBrowserProfiles(h.folders);
    const std::string places = h.home / ".mozilla/firefox/abc.default/places.sqlite";
    const std::string locked = h.home / ".mozilla/firefox/xyz.locked/places.sqlite";

    auto preview = CleanBrowserHistory(profiles, true);
    EXPECT_TRUE(Contains(preview.removed, "8 visits, 2 pages"));
    EXPECT_EQ(Count(places, "SELECT COUNT(*) FROM moz_historyvisits"), 8);

    auto done = CleanBrowserHistory(profiles, false);
    EXPECT_TRUE(Contains(done.removed, "8 visits, 2 pages"));
    EXPECT_EQ(Count(places, "SELECT COUNT(*) FROM moz_historyvisits"), 0);
    EXPECT_EQ(Count(places, "SELECT COUNT(*) FROM moz_bookmarks"), 4);
    EXPECT_EQ(Count(places, "SELECT COUNT(*) FROM moz_places WHERE id IN (1,2,3) AND visit_count = 0"), 3);
    EXPECT_EQ(Count(places, "SELECT COUNT(*) FROM moz_places"), 3);
    EXPECT_EQ(Count(places, "SELECT COUNT(*) FROM moz_origins"), 1);
    EXPECT_EQ(Count(places, "SELECT COUNT(*) FROM moz_inputhistory"), 0);
    EXPECT_EQ(Count(locked, "SELECT COUNT(*) FROM moz_historyvisits"), 8);  // Firefox runs there

    for (const std::string profile : {"Default", "Profile 1"}) {
        const std::string dir = h.home / (".config/chromium/" + profile);
        for (const char* gone : {"History", "History-journal", "Visited Links", "Top Sites"})
            EXPECT_FALSE(fs::exists(dir + "/" + gone)) << dir << gone;
        EXPECT_TRUE(fs::exists(dir + "/Bookmarks"));
        EXPECT_TRUE(fs::exists(dir + "/Preferences"));
    }
    EXPECT_TRUE(fs::exists(h.home / ".config/chromium/System Profile/History"));
    EXPECT_TRUE(fs::exists(h.home / ".config/google-chrome/Default/History"));
    EXPECT_FALSE(fs::exists(h.home / ".var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser/Default/History"));
    EXPECT_TRUE(Contains(done.skipped, "Google Chrome is running"));

    // A second run finds nothing left; a damaged database is reported, not a crash.
    EXPECT_TRUE(CleanBrowserHistory(profiles, false).removed.empty());
    h.home.write(".mozilla/firefox/abc.default/places.sqlite", "not a database");
    EXPECT_TRUE(Contains(CleanBrowserHistory(profiles, false).skipped, "places.sqlite"));
}

TEST(BrowserTraces, AParentLockHeldByAnotherProcessMeansFirefoxRuns) {
    TempDir home;
    FirefoxProfile(home, "p.default");
    const std::string lock = home.write(".mozilla/firefox/p.default/.parentlock", "");
    BrowserFolders folders{home.path(), home / ".config", home / ".cache"};
    EXPECT_TRUE(FindBrowserProfiles(folders).at(0).lockFile.empty());  // the file alone stays after exit

    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t child = ::fork();
    if (child == 0) {  // holds the lock as a running Firefox does, until killed
        int fd = ::open(lock.c_str(), O_RDWR);
        struct flock fl {};
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        ::fcntl(fd, F_SETLK, &fl);
        (void)!::write(ready[1], "x", 1);
        ::pause();
        ::_exit(0);
    }
    char c;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    auto profiles = FindBrowserProfiles(folders);
    auto report = CleanBrowserHistory(profiles, false);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_EQ(profiles.at(0).lockFile, lock);
    EXPECT_TRUE(Contains(report.skipped, "Firefox is running"));
    EXPECT_EQ(Count(home / ".mozilla/firefox/p.default/places.sqlite", "SELECT COUNT(*) FROM moz_historyvisits"), 8);
}

}  // namespace
}  // namespace vantum::cleaning
