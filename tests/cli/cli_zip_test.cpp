// vantum-cli zip, unzip and copy-older as a user runs them.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

using vantum::test::ReadFile;
using vantum::test::TempDir;

struct CliRun {
    int status;
    std::string output;
};

CliRun Cli(const std::string& args) {
    CliRun r{-1, {}};
    FILE* p = ::popen((std::string("'") + VANTUM_CLI_PATH + "' " + args + " 2>&1").c_str(), "r");
    if (!p) return r;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) r.output.append(buf, n);
    const int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

std::string Q(const std::string& s) { return "'" + s + "'"; }

TEST(CliZip, PackMoveAndUnpackBesideTheArchive) {
    TempDir dir;
    dir.write("docs/a.txt", "a");
    dir.write("docs/sub/b.txt", "b");
    const std::string pw = dir.write("pw", "secret\n");
    CliRun r = Cli("zip " + Q(dir / "docs.zip") + " " + Q(dir / "docs") + " --level 9 --move --password-file " + Q(pw));
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("Packed 2 files into"), std::string::npos) << r.output;
    EXPECT_FALSE(fs::exists(dir / "docs"));

    r = Cli("unzip " + Q(dir / "docs.zip"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("docs/a.txt: needs a password"), std::string::npos) << r.output;
    r = Cli("unzip " + Q(dir / "docs.zip") + " --overwrite --password-file " + Q(pw));
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(ReadFile(dir / "docs/docs/sub/b.txt"), "b");  // beside the archive, named after it
    r = Cli("unzip " + Q(dir / "docs.zip") + " --flat --into " + Q(dir / "flat") + " --password-file " + Q(pw));
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(ReadFile(dir / "flat/b.txt"), "b");
}

TEST(CliZip, BadInputGetsAClearMessageAndExitCode) {
    TempDir dir;
    dir.write("x/f", "1");
    dir.write("y/f", "2");
    dir.write("text.zip", "not an archive");
    const struct {
        std::string args;
        int status;
        std::string says;
    } cases[] = {
        {"zip " + Q(dir / "a.zip") + " " + Q(dir / "x") + " --level 0", 2, "the level must be 1 to 9"},
        {"zip " + Q(dir / "a.zip"), 2, "usage: vantum-cli zip"},
        {"zip " + Q(dir / "a.zip") + " " + Q(dir / "x") + " " + Q(dir / "y") + " --flat --move", 1,
         "Two files would be stored as \"f\""},
        {"zip " + Q(dir / "text.zip") + " " + Q(dir / "x"), 1, "Not a zip archive"},
        {"unzip " + Q(dir / "text.zip"), 1, "text.zip: not a zip archive"},
        {"unzip " + Q(dir / "none.zip"), 1, "File not found"},
        {"copy-older " + Q(dir / "x") + " " + Q(dir / "x/inside"), 1, "not an existing folder"},
        {"copy-older " + Q(dir / "x"), 2, "usage: vantum-cli copy-older"},
    };
    for (const auto& c : cases) {
        const CliRun r = Cli(c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.output;
        EXPECT_NE(r.output.find(c.says), std::string::npos) << c.args << "\n" << r.output;
    }
    EXPECT_EQ(ReadFile(dir / "x/f"), "1");
    EXPECT_EQ(ReadFile(dir / "text.zip"), "not an archive");
}

TEST(CliCopyOlder, CopiesAndWritesTheLog) {
    TempDir dir;
    dir.write("src/F/a.txt", "new");
    dir.write("src/F/deep/b.txt", "b");
    dir.write("dest/F/a.txt", "old");
    const std::string log = dir / "copy.log";
    CliRun r = Cli("copy-older " + Q(dir / "src/F") + " " + Q(dir / "dest") + " --all --log " + Q(log));
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(ReadFile(log), "source older:F/a.txt\r\nnot there:F/deep/b.txt\r\n");
    EXPECT_EQ(ReadFile(dir / "dest/F/a.txt"), "new");
    EXPECT_NE(r.output.find("2 copied, 0 kept, 0 errors"), std::string::npos) << r.output;

    dir.write("src/F/a.txt", "newest");
    r = Cli("copy-older " + Q(dir / "src/F") + " " + Q(dir / "dest"));  // default: none
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(ReadFile(dir / "dest/F/a.txt"), "new");
}

}  // namespace
