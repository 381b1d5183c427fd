// vantum-cli encrypt / decrypt / shred as a user runs them.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>

#include "filemgr/lec_names.h"
#include "support/temp_dir.h"

namespace {

using vantum::test::ReadFile;
using vantum::test::TempDir;

struct CliRun {
    int status;
    std::string output;  // stdout and stderr
};

CliRun Cli(const std::string& args, const std::string& input) {
    TempDir io;
    const std::string in = io.write("stdin", input);
    const std::string cmd = std::string(VANTUM_CLI_PATH) + " " + args + " <'" + in + "' 2>&1";
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

TEST(CryptCli, EncryptDecryptWithPassphraseOnStdin) {
    TempDir dir;
    const std::string file = dir.write("docs/report.pdf", "contents");
    dir.write("docs/sub/notes", "more");
    CliRun r = Cli("encrypt --remove-source delete " + Q(dir / "docs"), "my pass\n");
    ASSERT_EQ(r.status, 0) << r.output;
    const std::string lec = vantum::EncryptedCopyName(file);
    EXPECT_EQ(ReadFile(lec).size(), 8u + 32);
    EXPECT_EQ(ReadFile(dir / "docs/sub/notes_.lec").size(), 4u + 32);
    EXPECT_FALSE(std::filesystem::exists(file));

    r = Cli("decrypt " + Q(lec), "wrong\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("Incorrect passphrase"), std::string::npos) << r.output;
    EXPECT_FALSE(std::filesystem::exists(file));

    const std::string passfile = dir.write("pass", "my pass\n");
    r = Cli("decrypt --passphrase-file " + Q(passfile) + " " + Q(dir / "docs"), "");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(ReadFile(file), "contents");
    EXPECT_EQ(ReadFile(dir / "docs/sub/notes"), "more");
    EXPECT_TRUE(std::filesystem::exists(lec));  // the encrypted copy stays

    r = Cli("decrypt " + Q(lec), "my pass\n");  // plain file exists now
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("already exists"), std::string::npos) << r.output;
    EXPECT_EQ(Cli("decrypt --replace " + Q(lec), "my pass").status, 0);
}

TEST(CryptCli, FailuresExitNonZero) {
    TempDir dir;
    CliRun r = Cli("encrypt " + Q(dir / "missing"), "x\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("Unable to open the in file"), std::string::npos) << r.output;
    EXPECT_EQ(Cli("encrypt", "").status, 2);
    EXPECT_EQ(Cli("encrypt --remove-source nowhere " + Q(dir / "x"), "").status, 2);
}

TEST(CryptCli, ShredStopsAtTheFirstFailure) {
    TempDir dir;
    const std::string a = dir.write("a", std::string(5000, 'a'));
    const std::string c = dir.write("c", "c");
    CliRun r = Cli("shred -n 2 " + Q(a) + " " + Q(dir / "b") + " " + Q(c), "");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("Cannot find " + dir / "b" + " !"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("The following files have been permanently deleted:\n" + a + "\n"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(a));
    EXPECT_EQ(ReadFile(c), "c");
}

}  // namespace
