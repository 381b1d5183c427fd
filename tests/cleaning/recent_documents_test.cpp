#include "cleaning/recent_documents.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace vantum::cleaning {
namespace {

using test::ReadFile;
using test::TempDir;
namespace fs = std::filesystem;

const std::string kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<xbel version=\"1.0\"\n"
    "      xmlns:bookmark=\"http://www.freedesktop.org/standards/desktop-bookmarks\"\n"
    "      xmlns:mime=\"http://www.freedesktop.org/standards/shared-mime-info\"\n"
    ">\n"
    "<!-- kept as it is -->\n";
const std::string kTail = "</xbel>\n";

std::string Bookmark(const std::string& href, const std::string& mime = "text/plain") {
    return "  <bookmark href=\"" + href +
           "\" added=\"2024-01-02T03:04:05.000000Z\" modified=\"2024-02-02T03:04:05.000000Z\" "
           "visited=\"2024-03-02T03:04:05.000000Z\">\n"
           "    <info>\n"
           "      <metadata owner=\"http://freedesktop.org\">\n"
           "        <mime:mime-type type=\"" + mime + "\"/>\n"
           "        <bookmark:applications>\n"
           "          <bookmark:application name=\"gedit\" exec=\"&apos;gedit %u&apos;\" "
           "modified=\"2024-02-02T03:04:05Z\" count=\"2\"/>\n"
           "        </bookmark:applications>\n"
           "      </metadata>\n"
           "    </info>\n"
           "  </bookmark>\n";
}

TEST(RecentDocuments, DeletingTenOfFiveThousandLeavesEveryOtherByteAsItWas) {
    TempDir home;
    std::vector<std::string> entries;
    for (int i = 0; i < 5000; ++i)
        entries.push_back(Bookmark("file:///home/u/doc%20" + std::to_string(i) + ".txt"));
    auto join = [&](const std::vector<size_t>& without) {
        std::string text = kHead;
        for (size_t i = 0; i < entries.size(); ++i)
            if (std::find(without.begin(), without.end(), i) == without.end()) text += entries[i];
        return text + kTail;
    };
    std::string path = home.write("share/recently-used.xbel", join({}));
    ::chmod(path.c_str(), 0640);

    auto list = LoadRecentDocuments(home / "share", home.path());
    ASSERT_EQ(list.items.size(), 5000u) << list.xbelError;
    EXPECT_EQ(list.items[7].target, "/home/u/doc 7.txt");
    EXPECT_EQ(list.items[7].uri, "file:///home/u/doc%207.txt");
    EXPECT_EQ(list.items[7].date, "2024-03-02T03:04:05.000000Z");
    EXPECT_EQ(list.items[7].mimeType, "text/plain");

    const std::vector<size_t> doomed = {0, 1, 2, 999, 2500, 2501, 3333, 4000, 4998, 4999};
    auto report = DeleteRecentDocuments(list, doomed);
    EXPECT_EQ(report.removed.size(), 10u);
    EXPECT_TRUE(report.skipped.empty());
    EXPECT_EQ(ReadFile(path), join(doomed));
    EXPECT_EQ(fs::status(path).permissions(), fs::perms(0640));
    EXPECT_EQ(LoadRecentDocuments(home / "share", home.path()).items.size(), 4990u);
}

TEST(RecentDocuments, EntitiesNonUtf8AndTheirTargets) {
    TempDir home;
    const std::string text = kHead +
                             "  <bookmark href=\"file:///tmp/a&amp;b%FF%FE.txt\" added=\"x\"><title>T &lt;&#x41;&#66;&gt;</title></bookmark>\n"
                             "  <bookmark href='file:///raw/\xff\xfe-name' visited=\"v\"/><bookmark href=\"https://example.org/?q=1&amp;r=2\"/>\n" +
                             kTail;
    home.write("recently-used.xbel", text);
    auto list = LoadRecentDocuments(home.path(), home.path());
    ASSERT_EQ(list.items.size(), 3u) << list.xbelError;
    EXPECT_EQ(list.items[0].target, "/tmp/a&b\xff\xfe.txt");
    EXPECT_EQ(list.items[0].title, "T <AB>");
    EXPECT_EQ(list.items[1].target, "/raw/\xff\xfe-name");
    EXPECT_EQ(list.items[2].target, "https://example.org/?q=1&r=2");

    // Two entries on one line: only the chosen one's bytes go.
    DeleteRecentDocuments(list, {1});
    EXPECT_EQ(ReadFile(home / "recently-used.xbel"),
              kHead +
                  "  <bookmark href=\"file:///tmp/a&amp;b%FF%FE.txt\" added=\"x\"><title>T &lt;&#x41;&#66;&gt;</title></bookmark>\n"
                  "  <bookmark href=\"https://example.org/?q=1&amp;r=2\"/>\n" +
                  kTail);
}

TEST(RecentDocuments, MalformedFilesAreReportedAndNeverWritten) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "no <xbel>"},
        {"<xbel><bookmark href=\"a\"></xbel>", "does not match"},
        {"<xbel><bookmark href=\"a\">", "ends inside"},
        {"<xbel><bookmark href=\"&ent;\"/></xbel>", "entity"},
        {"<!DOCTYPE xbel [<!ENTITY a \"aaaa\">]><xbel/>", "DOCTYPE"},
        {"<xbel><bookmark href=a/></xbel>", "without quotes"},
        {"<xbel/><xbel/>", "second root"},
        {"<other/>", "not <xbel>"},
        {"<xbel>\n\n<bookmark href=\"a\" href=\"b\"/></xbel>", "line 3"},
    };
    for (const auto& [text, reason] : cases) {
        TempDir home;
        std::string path = home.write("recently-used.xbel", text);
        auto list = LoadRecentDocuments(home.path(), home.path());
        EXPECT_TRUE(list.items.empty()) << text;
        EXPECT_NE(list.xbelError.find(reason), std::string::npos) << text << " -> " << list.xbelError;
        EXPECT_EQ(ReadFile(path), text);
    }
}

TEST(RecentDocuments, AFileChangedDuringTheEditIsLeftAsTheOtherProgramWroteIt) {
    TempDir home;
    std::string path = home.write("recently-used.xbel", kHead + Bookmark("file:///a") + Bookmark("file:///b") + kTail);
    auto list = LoadRecentDocuments(home.path(), home.path());
    ASSERT_EQ(list.items.size(), 2u);

    // Same size, new time: another program rewrote it.
    std::string other = kHead + Bookmark("file:///c") + Bookmark("file:///b") + kTail;
    home.write("recently-used.xbel", other);
    struct utimbuf later {2000000000, 2000000000};
    ::utime(path.c_str(), &later);
    auto report = DeleteRecentDocuments(list, {0});
    EXPECT_TRUE(report.removed.empty());
    ASSERT_EQ(report.skipped.size(), 1u);
    EXPECT_NE(report.skipped[0].find("changed by another program"), std::string::npos) << report.skipped[0];
    EXPECT_EQ(ReadFile(path), other);
    EXPECT_EQ(std::distance(fs::directory_iterator(home.path()), fs::directory_iterator()), 1);
}

TEST(RecentDocuments, KdeEntriesAndSearch) {
    TempDir home;
    home.write("share/recently-used.xbel", kHead + Bookmark("file:///home/u/Report.odt") + kTail);
    home.write("share/RecentDocuments/a.txt.desktop",
               "[Desktop Entry]\nName=a.txt\nType=Link\nURL[$e]=file:$HOME/notes/a.txt\n");
    home.write("share/RecentDocuments/b.desktop", "[Desktop Entry]\nURL=file:///srv/report%20b.pdf\n");
    home.write("share/RecentDocuments/ignored.txt", "x");
    auto list = LoadRecentDocuments(home / "share", "/home/u");
    ASSERT_EQ(list.items.size(), 3u);
    EXPECT_EQ(list.items[1].target, "/home/u/notes/a.txt");
    EXPECT_EQ(list.items[2].target, "/srv/report b.pdf");
    EXPECT_EQ(list.items[1].date.size(), 20u);

    EXPECT_EQ(SearchRecentDocuments(list, "Report"), std::vector<size_t>{0});  // case-sensitive
    EXPECT_EQ(SearchRecentDocuments(list, "/home/u/"), (std::vector<size_t>{0, 1}));  // folder part too
    EXPECT_TRUE(SearchRecentDocuments(list, "").empty());

    // b.desktop replaced by another file after listing: left alone; a.txt.desktop goes.
    fs::rename(home.write("share/new", "[Desktop Entry]\nURL=file:///new\n"), home / "share/RecentDocuments/b.desktop");
    auto report = DeleteRecentDocuments(list, {1, 2, 1});
    EXPECT_EQ(report.removed, std::vector<std::string>{home / "share/RecentDocuments/a.txt.desktop"});
    ASSERT_EQ(report.skipped.size(), 1u);
    EXPECT_NE(report.skipped[0].find("replaced"), std::string::npos);
    EXPECT_TRUE(fs::exists(home / "share/RecentDocuments/b.desktop"));
    EXPECT_FALSE(fs::exists(home / "share/RecentDocuments/a.txt.desktop"));
}

}  // namespace
}  // namespace vantum::cleaning
