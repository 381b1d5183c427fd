#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "../core/scan_fixture.h"
#include "support/temp_dir.h"

using namespace vantum::test;

namespace {

struct Result {
    int code = -1;
    std::string out;
};

// Runs a shell command line, capturing standard output (and error when asked).
Result Shell(const std::string& cmd) {
    Result r;
    FILE* p = ::popen((cmd + " 2>&1").c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int status = ::pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string Cli() { return std::string("'") + VANTUM_CLI_PATH + "'"; }

std::string Field(const std::string& out, const std::string& key) {
    size_t at = out.find(key);
    if (at == std::string::npos) return {};
    size_t end = out.find('\n', at);
    return out.substr(at + key.size(), end - at - key.size());
}

}  // namespace

TEST(CliScan, PrintsTotalsAndLargestFolders) {
    TempDir d;
    d.sparse("top/big/f", 3 << 20);
    d.sparse("top/small/f", 1 << 20);
    Result r = Shell(Cli() + " scan '" + d.path() + "/top' --top 1 --threads 2");
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("Folders: 2"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("big"), std::string::npos);
    EXPECT_EQ(r.out.find("small"), std::string::npos) << "--top 1 shows one folder";
    EXPECT_EQ(Field(r.out, "Bytes: "), std::to_string(SumEntries(d / "top", true)));
    EXPECT_NE(r.out.find("Elapsed:  00:"), std::string::npos);
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
    Result r = Shell(asNobody + Cli() + " scan '" + d.path() + "/top'");
    ASSERT_EQ(r.code, 0) << r.out;
    // Everything but the locked folder's contents; its own entry still counts.
    std::int64_t locked = SumEntries(d / "top/locked", true);
    EXPECT_EQ(Field(r.out, "Bytes: "), std::to_string(SumEntries(d / "top", true) - locked)) << r.out;
    EXPECT_NE(r.out.find("Folders: 2"), std::string::npos) << r.out;
}
