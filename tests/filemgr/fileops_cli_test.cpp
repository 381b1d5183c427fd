// vantum-cli trash / rm / cp / mv as a user runs them (the test's own HOME and trash).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>

#include "support/temp_dir.h"

namespace {

using vantum::test::ReadFile;
using vantum::test::TempDir;

struct CliRun {
    int status;
    std::string output;  // stdout and stderr
};

CliRun Cli(const std::string& args) {
    const std::string cmd = std::string(VANTUM_CLI_PATH) + " " + args + " </dev/null 2>&1";
    CliRun r{-1, {}};
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) r.output.append(buf, n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

std::string Q(const std::string& s) { return "'" + s + "'"; }

bool Exists(const std::string& p) {
    struct stat st;
    return lstat(p.c_str(), &st) == 0;
}

TEST(FileOpsCli, TrashListRestoreEmpty) {
    TempDir dir;
    const std::string a = dir.write("a.txt", "a");
    const std::string odd = dir.write("odd\x1b[31mname", "b");
    CliRun r = Cli("trash " + Q(a) + " " + Q(odd) + " " + Q(dir / "missing"));
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find(dir / "missing"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("2 of 3 items"), std::string::npos) << r.output;
    EXPECT_FALSE(Exists(a));

    r = Cli("trash --list");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.output.find(a + "\n"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find('\x1b'), std::string::npos) << "a name reached the terminal unescaped";
    EXPECT_NE(r.output.find("odd\\x1b[31mname"), std::string::npos) << r.output;

    dir.write("a.txt", "taken");
    r = Cli("trash --restore " + Q(a));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("exists already"), std::string::npos) << r.output;
    ASSERT_EQ(unlink(a.c_str()), 0);
    r = Cli("trash --restore a.txt");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(ReadFile(a), "a");
    EXPECT_EQ(Cli("trash --restore a.txt").status, 1);

    r = Cli("trash --empty");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(Cli("trash --list").output, "");
    EXPECT_EQ(Cli("trash").status, 2);
    EXPECT_EQ(Cli("trash --bogus").status, 2);
}

TEST(FileOpsCli, RmAsksUnlessYes) {
    TempDir dir;
    const std::string f = dir.write("tree/f", "x");
    CliRun r = Cli("rm " + Q(dir / "tree"));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("--yes"), std::string::npos) << r.output;
    EXPECT_TRUE(Exists(f));
    r = Cli("rm --yes " + Q(dir / "tree") + " " + Q(dir / "gone"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find(dir / "gone"), std::string::npos) << r.output;
    EXPECT_FALSE(Exists(dir / "tree"));
    const char* home = std::getenv("HOME");
    r = Cli(std::string("rm --yes ") + Q(home));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("protected"), std::string::npos) << r.output;
    EXPECT_TRUE(Exists(home));
}

TEST(FileOpsCli, CopyAndMove) {
    TempDir dir;
    dir.write("src/f", "new");
    dir.write("dest/f", "old");
    CliRun r = Cli("cp " + Q(dir / "src/f") + " " + Q(dir / "dest"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("exists already"), std::string::npos) << r.output;
    EXPECT_EQ(ReadFile(dir / "dest/f"), "old");
    EXPECT_EQ(Cli("cp " + Q(dir / "src") + " " + Q(dir / "src/..")).status, 0);  // a copy beside itself
    EXPECT_EQ(ReadFile(dir / "src (2)/f"), "new");
    r = Cli("mv " + Q(dir / "src") + " " + Q(dir / "dest"));
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(ReadFile(dir / "dest/src/f"), "new");
    EXPECT_EQ(Cli("cp " + Q(dir / "dest")).status, 2);
    EXPECT_EQ(Cli("mv " + Q(dir / "dest") + " " + Q(dir / "dest/src")).status, 1);
}

}  // namespace
