#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "../core/scan_fixture.h"
#include "cli/cli_shell.h"
#include "support/temp_dir.h"

using namespace vantum::test;

TEST(CliScan, PrintsTotalsAndLargestFolders) {
    TempDir d;
    d.sparse("top/big/f", 3 << 20);
    d.sparse("top/small/f", 1 << 20);
    Result r = Shell(Cli() + " scan '" + d.path() + "/top' --top 1 --threads 2 --apparent-size");
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("Folders: 2"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("big"), std::string::npos);
    EXPECT_EQ(r.out.find("small"), std::string::npos) << "--top 1 shows one folder";
    EXPECT_NE(r.out.find("Elapsed:  00:"), std::string::npos);
    EXPECT_EQ(Field(r.out, "Bytes: "), std::to_string(SumEntries(d / "top", true)));
    EXPECT_EQ(Field(r.out, "Bytes: "), std::to_string(DuBytes(d / "top", true)));
    r = Shell(Cli() + " scan '" + d.path() + "/top'");
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(Field(r.out, "Bytes: "), std::to_string(DuBytes(d / "top", false))) << "disk usage, as du counts it";
    EXPECT_EQ(Shell(Cli() + " scan '" + d.path() + "/top' --save ''").code, 2) << "an empty file name is an error";
}

TEST(CliScan, NamesCannotForgeLinesOrReachTheTerminalRaw) {
    TempDir d;
    d.mkdir(std::string("top/x\nBytes: 1\x1b[31m"));
    Result r = Shell(Cli() + " scan '" + d.path() + "/top' --apparent-size");
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(r.out.find('\x1b'), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("x\\nBytes: 1\\x1b[31m"), std::string::npos) << r.out;
    EXPECT_EQ(Field(r.out, "Bytes: "), std::to_string(DuBytes(d / "top", true))) << "one Bytes line only";
}

TEST(CliScan, RejectsWhatIsNotAFolder) {
    TempDir d;
    d.write("file", "x");
    for (const std::string& arg : {d / "file", d / "missing", std::string()}) {
        Result r = Shell(Cli() + " scan " + (arg.empty() ? "" : "'" + arg + "'"));
        EXPECT_EQ(r.code, 2) << arg;
        EXPECT_FALSE(r.out.empty());
    }
    EXPECT_EQ(Shell(Cli() + " scan / --bogus").code, 2);
}

// Runs as an unprivileged user, where permissions are enforced (tests run as root here).
TEST(CliScan, UnreadableFoldersCountWhatCanBeRead) {
    if (Shell("command -v setpriv").code != 0) GTEST_FAIL() << "setpriv (util-linux) is needed";
    TempDir d;
    ASSERT_EQ(::chmod(d.path().c_str(), 0755), 0);
    d.sparse("top/open/f", 2 << 20);
    d.sparse("top/locked/secret/f", 5 << 20);
    d.sparse("top/locked/g", 1 << 20);
    for (const char* p : {"top", "top/open"}) ASSERT_EQ(::chmod((d / p).c_str(), 0755), 0);
    ASSERT_EQ(::chmod((d / "top/open/f").c_str(), 0644), 0);
    ASSERT_EQ(::chmod((d / "top/locked").c_str(), 0), 0);
    std::string asNobody = "setpriv --reuid=nobody --regid=nogroup --clear-groups ";
    if (::geteuid() != 0) asNobody.clear();
    for (bool apparent : {false, true}) {
        Result r = Shell(asNobody + Cli() + " scan '" + d.path() + "/top'" + (apparent ? " --apparent-size" : ""));
        // Exit 3: the total is what could be read, and the folder that could not is named.
        ASSERT_EQ(r.code, 3) << r.out;
        EXPECT_EQ(Field(r.out, "Bytes: "), std::to_string(DuBytes(d / "top", apparent, asNobody))) << r.out;
        EXPECT_NE(r.out.find("Folders: 2"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("1 folder could not be read"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(d / "top/locked: Permission denied"), std::string::npos) << r.out;
    }
    // An unreadable top folder is an error, not an empty folder.
    Result r = Shell(asNobody + Cli() + " scan '" + d.path() + "/top/locked'");
    EXPECT_EQ(r.code, 3) << r.out;
    EXPECT_EQ(r.out.find("Total:"), std::string::npos) << r.out;
}
