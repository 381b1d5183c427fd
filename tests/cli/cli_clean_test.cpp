#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "support/temp_dir.h"

using namespace vantum::test;
namespace fs = std::filesystem;

namespace {

struct Result {
    int code = -1;
    std::string out;
};

// vantum-cli clean with HOME and the XDG folders inside home.
Result Clean(const TempDir& home, const std::string& args) {
    std::string cmd = "env -u XDG_CONFIG_HOME -u XDG_CACHE_HOME -u XDG_DATA_HOME HOME='" + home.path() + "' '" +
                      VANTUM_CLI_PATH + "' clean " + args + " 2>&1";
    Result r;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int status = ::pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string Entry(const std::string& href, const std::string& mime) {
    return "<bookmark href=\"" + href + "\"><info><metadata><mime:mime-type type=\"" + mime +
           "\"/></metadata></info></bookmark>\n";
}

struct Home : TempDir {
    std::string xbel, vlc;
    Home() {
        write(".config/chromium/Default/History", std::string(3000, 'h'));
        write(".config/chromium/Default/Bookmarks", "b");
        write(".cache/chromium/Default/Cache/f", std::string(9000, 'c'));
        xbel = write(".local/share/recently-used.xbel",
                     "<?xml version=\"1.0\"?>\n<xbel version=\"1.0\">\n" + Entry("file:///m/song.ogg", "audio/ogg") +
                         Entry("file:///d/letter.odt", "application/vnd.oasis.opendocument.text") +
                         Entry("file:///m/film.mkv", "video/x-matroska") + "</xbel>\n");
        vlc = write(".config/vlc/vlc-qt-interface.conf",
                    "[General]\nqt-privacy-ask=false\n\n[RecentsMRL]\nlist=file:///m/a.mp3, file:///m/b.mp3\n"
                    "times=0, 0\n\n[MainWindow]\nplaylist-visible=true\n");
    }
};

}  // namespace

TEST(CliClean, ListTouchesNothingThenEachCleanerRemovesItsPart) {
    Home home;
    const std::string xbelBefore = ReadFile(home.xbel);
    Result r = Clean(home, "--list");
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("browser-cache: would remove 1 item "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("browser-history: would remove 1 item "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("recent-documents: would remove 3 items"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("media-history: would remove 4 items"), std::string::npos) << r.out;  // 2 xbel + 2 VLC
    EXPECT_EQ(ReadFile(home.xbel), xbelBefore);
    EXPECT_TRUE(fs::exists(home / ".config/chromium/Default/History"));
    EXPECT_TRUE(fs::exists(home / ".cache/chromium/Default/Cache/f"));

    r = Clean(home, "media-history");
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(ReadFile(home.xbel), "<?xml version=\"1.0\"?>\n<xbel version=\"1.0\">\n" +
                                       Entry("file:///d/letter.odt", "application/vnd.oasis.opendocument.text") + "</xbel>\n");
    EXPECT_EQ(ReadFile(home.vlc), "[General]\nqt-privacy-ask=false\n\n[RecentsMRL]\n\n[MainWindow]\nplaylist-visible=true\n");
    EXPECT_TRUE(fs::exists(home / ".config/chromium/Default/History"));

    r = Clean(home, "--all");
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_FALSE(fs::exists(home / ".config/chromium/Default/History"));
    EXPECT_TRUE(fs::exists(home / ".config/chromium/Default/Bookmarks"));
    EXPECT_FALSE(fs::exists(home / ".cache/chromium/Default/Cache/f"));
    EXPECT_EQ(ReadFile(home.xbel), "<?xml version=\"1.0\"?>\n<xbel version=\"1.0\">\n</xbel>\n");
    EXPECT_NE(r.out.find("total: freed"), std::string::npos);
}

TEST(CliClean, RunningBrowsersAndBadArguments) {
    Home home;
    fs::create_symlink("host-1", home / ".config/chromium/SingletonLock");
    Result r = Clean(home, "browser-cache browser-history");
    EXPECT_EQ(r.code, 3) << r.out;
    EXPECT_NE(r.out.find("skipped Chromium is running"), std::string::npos) << r.out;
    EXPECT_TRUE(fs::exists(home / ".cache/chromium/Default/Cache/f"));
    EXPECT_EQ(r.out.find("recent-documents"), std::string::npos) << "only the named cleaners run";

    EXPECT_EQ(Clean(home, "").code, 2);
    EXPECT_EQ(Clean(home, "--list --all").code, 2);
    r = Clean(home, "typed-urls");
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.out.find("no cleaner named"), std::string::npos);

    TempDir empty;  // no browser, no lists: nothing to do, nothing fails
    r = Clean(empty, "--all");
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("total: freed 0 bytes"), std::string::npos) << r.out;
}
