#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "settings/settings_path.h"
#include "sizelog/size_log.h"
#include "support/temp_dir.h"

using namespace vantum::sizelog;
using vantum::test::ReadFile;
using vantum::test::TempDir;

namespace {

DriveTotals Totals(std::int64_t free, std::int64_t used) {
    DriveTotals t;
    t.free = free;
    t.used = used;
    return t;
}

std::vector<std::string> Days(const std::string& path) {
    std::vector<std::string> out;
    for (const SizeLogEntry& e : ReadSizeLog(path)) out.push_back(e.day);
    return out;
}

}  // namespace

TEST(SizeLog, OneSectionPerDayInIsoFormWithPlainIntegers) {
    TempDir dir;
    const std::string log = dir / "Sizereport.log";
    ASSERT_TRUE(WriteSizeLogEntry(log, "2026-12-10", Totals(76255186944, 194297987072)));
    ASSERT_TRUE(WriteSizeLogEntry(log, "2026-12-11", Totals(1, 2)));
    ASSERT_TRUE(WriteSizeLogEntry(log, "2026-12-10", Totals(3, 4)));  // later the same day
    EXPECT_EQ(ReadFile(log), "[2026-12-10]\nFree=3\nUsed=4\n[2026-12-11]\nFree=1\nUsed=2\n");
    auto entries = ReadSizeLog(log);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].free, 3);
    EXPECT_EQ(entries[1].used, 2);
    EXPECT_TRUE(ReadSizeLog(dir / "missing.log").empty());
}

TEST(SizeLog, TodayIsIso) {
    std::string t = TodayIso();
    ASSERT_EQ(t.size(), 10u);
    EXPECT_EQ(t[4], '-');
    EXPECT_EQ(t[7], '-');
}

TEST(SizeLog, OldLocaleFormsStillRead) {
    struct Case {
        const char* text;
        std::optional<std::int64_t> bytes;
    } cases[] = {
        {"150000000000", 150000000000},
        {"1,5E+11", 150000000000},      // decimal comma, general notation
        {"1.5E+11", 150000000000},
        {"76255186944", 76255186944},
        {"12345,75", 12346},
        {"-1", -1},
        {"", std::nullopt},
        {"abc", std::nullopt},
        {"1e400", std::nullopt},
        {"1,5E+30", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseLogValue(c.text), c.bytes) << c.text;

    TempDir dir;
    std::string log = dir.write("Sizereport.log", "[10.12.2026]\nFree=1,5E+11\nUsed=junk\n[12/11/2026]\nUsed=2.5E+3\n");
    auto entries = ReadSizeLog(log);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].day, "10.12.2026");
    EXPECT_EQ(entries[0].free, 150000000000);
    EXPECT_EQ(entries[0].used, 0) << "an unreadable value counts 0";
    EXPECT_EQ(entries[1].free, 0) << "a missing value counts 0";
    EXPECT_EQ(entries[1].used, 2500);

    // A day written twice is one entry: its first values count, as everywhere in the ini class.
    log = dir.write("twice.log", "[2026-01-01]\nFree=1\n[2026-01-02]\nfree=2\n[2026-01-01]\nFree=9\nUsed=5\n");
    entries = ReadSizeLog(log);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].free, 1);
    EXPECT_EQ(entries[0].used, 5);
    EXPECT_EQ(entries[1].free, 2);
}

TEST(SizeLog, LocaleSwitchBetweenWritesKeepsOneDayAndItsValues) {
    TempDir dir;
    // A German locale built for the test: decimal comma, day.month.year dates.
    std::string cmd = "localedef -i de_DE -f UTF-8 '" + dir.mkdir("locales") + "/de_DE.UTF-8' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) GTEST_SKIP() << "localedef cannot build de_DE.UTF-8 here";
    ::setenv("LOCPATH", (dir / "locales").c_str(), 1);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr);
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    ASSERT_STREQ(probe, "1,5") << "the locale is in effect";

    const std::string log = dir / "Sizereport.log";
    ASSERT_TRUE(WriteSizeLogEntry(log, TodayIso(), Totals(150000000000, 2)));
    std::string german = ReadFile(log);
    std::setlocale(LC_ALL, "C");
    ::unsetenv("LOCPATH");
    EXPECT_EQ(ReadSizeLog(log).at(0).free, 150000000000);
    ASSERT_TRUE(WriteSizeLogEntry(log, TodayIso(), Totals(150000000001, 3)));
    EXPECT_EQ(Days(log), std::vector<std::string>{TodayIso()});
    EXPECT_EQ(ReadSizeLog(log).at(0).free, 150000000001);
    EXPECT_EQ(german, "[" + TodayIso() + "]\nFree=150000000000\nUsed=2\n");
}

TEST(SizeLog, HalveKeepsEverySecondEntryAndClearDeletesTheFile) {
    TempDir dir;
    const std::string log = dir / "Sizereport.log";
    for (int d = 1; d <= 5; ++d) ASSERT_TRUE(WriteSizeLogEntry(log, "2026-01-0" + std::to_string(d), Totals(d, d)));
    ASSERT_TRUE(HalveSizeLog(log));
    EXPECT_EQ(Days(log), (std::vector<std::string>{"2026-01-02", "2026-01-04"}));

    const std::string one = dir / "one.log";
    ASSERT_TRUE(WriteSizeLogEntry(one, "2026-01-01", Totals(1, 1)));
    ASSERT_TRUE(HalveSizeLog(one));
    EXPECT_TRUE(ReadSizeLog(one).empty());

    ASSERT_TRUE(ClearSizeLog(log));
    EXPECT_TRUE(ReadSizeLog(log).empty());
    EXPECT_TRUE(ClearSizeLog(log)) << "a missing log is already clear";
    ASSERT_TRUE(WriteSizeLogEntry(log, "2026-02-01", Totals(1, 1))) << "a new log starts after a clear";
    EXPECT_EQ(Days(log).size(), 1u);
}

TEST(SizeLog, WriteFailureIsReported) {
    TempDir dir;
    SizeLogResult r = WriteSizeLogEntry(dir / "no/such/folder/Sizereport.log", "2026-01-01", Totals(1, 1));
    EXPECT_FALSE(r);
    EXPECT_FALSE(r.message.empty());
}

TEST(SizeLog, CliWritesTodaysEntryIntoTheSettingsFolder) {
    // The settings folder does not exist yet: a timer may run before the window ever did.
    std::filesystem::remove_all(vantum::settings::AppDataFolder());
    std::string out;
    FILE* p = ::popen(VANTUM_CLI_PATH " size-log --write 2>&1", "r");
    ASSERT_TRUE(p);
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    int status = ::pclose(p);
    EXPECT_EQ(WEXITSTATUS(status), 0) << out;
    const std::string log = vantum::settings::SizeLogPath();
    auto entries = ReadSizeLog(log);
    ASSERT_EQ(entries.size(), 1u) << out;
    EXPECT_EQ(entries[0].day, TodayIso());
    EXPECT_GT(entries[0].free, 0);
    EXPECT_NE(out.find("Total"), std::string::npos) << out;
    EXPECT_NE(out.find("1 entries"), std::string::npos) << out;

    EXPECT_EQ(WEXITSTATUS(std::system(VANTUM_CLI_PATH " size-log --bad >/dev/null 2>&1")), 2);
}
