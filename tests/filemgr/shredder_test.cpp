#include "filemgr/shredder.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <vector>

#include "support/temp_dir.h"

namespace vantum {
namespace {

using test::ReadFile;
using test::TempDir;

std::string Original(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>('A' + i % 23);
    return s;
}

std::set<std::string> Names(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
}

struct Recorder : ProgressSink {
    std::vector<int> ranges, positions;
    void SizeRange(int m) override { ranges.push_back(m); }
    void SizeProgress(int p) override { positions.push_back(p); }
};

// A second hard link keeps the overwritten data visible after the shredded name is gone.
TEST(Shredder, OverwritesWholeBlocksOnlyAndDeletes) {
    for (std::size_t size : {0, 900, 1024, 1500, 10240}) {
        SCOPED_TRACE("size " + std::to_string(size));
        TempDir dir;
        const std::string file = dir.write("victim.dat", Original(size));
        ASSERT_EQ(link(file.c_str(), (dir / "witness").c_str()), 0);
        Recorder progress;
        const ShredResult r = ShredFile(file, 4, progress);
        ASSERT_TRUE(r.ok) << r.message;
        EXPECT_EQ(Names(dir.path()), std::set<std::string>{"witness"});
        const std::string after = ReadFile(dir / "witness");
        ASSERT_EQ(after.size(), size);
        const std::size_t whole = size / 1024 * 1024;
        EXPECT_EQ(after.substr(0, whole), std::string(whole, '\x0F'));  // pass 4's pattern
        EXPECT_EQ(after.substr(whole), Original(size).substr(whole));
        EXPECT_EQ(progress.ranges, std::vector<int>{5});
        EXPECT_EQ(progress.positions, (std::vector<int>{1, 2, 3, 4, 5}));
    }
}

TEST(Shredder, LastPassPattern) {
    const std::uint8_t expected[] = {0x00, 0xFF, 0x00, 0xF0, 0x0F, 0x00};
    for (int passes = 0; passes <= 6; ++passes) {
        TempDir dir;
        const std::string file = dir.write("f", Original(3000));
        ASSERT_EQ(link(file.c_str(), (dir / "witness").c_str()), 0);
        ASSERT_TRUE(ShredFile(file, passes).ok);
        const std::string blocks = ReadFile(dir / "witness").substr(0, 2048);
        if (passes < 6) {
            EXPECT_EQ(blocks, std::string(2048, static_cast<char>(expected[passes]))) << passes;
            EXPECT_EQ(ShredPatternByte(passes), expected[passes]);
        } else {
            // Random data: not one repeated byte, and no longer the original.
            EXPECT_NE(blocks.find_first_not_of(blocks[0]), std::string::npos);
            EXPECT_NE(blocks, Original(3000).substr(0, 2048));
        }
    }
}

TEST(Shredder, RefusesWhatItMustNotTouch) {
    TempDir dir;
    const std::string file = dir.write("keep.txt", Original(2048));
    const std::string temp = dir.write("$000000.tmp", "other data");
    ShredResult r = ShredFile(file, 4);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "Cannot find " + file + " !");
    EXPECT_EQ(ReadFile(file), Original(2048));
    EXPECT_EQ(ReadFile(temp), "other data");

    EXPECT_EQ(ShredFile(dir / "missing", 4).message, "Cannot find " + dir / "missing" + " !");

    const std::string other = dir.write("sub/target.txt", Original(4096));
    const std::string link = dir / "sub/link";
    ASSERT_EQ(symlink("target.txt", link.c_str()), 0);
    r = ShredFile(link, 4);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "Cannot shred " + link + ": not a regular file");
    EXPECT_EQ(ReadFile(other), Original(4096));
    EXPECT_EQ(Names(dir / "sub"), (std::set<std::string>{"link", "target.txt"}));

    EXPECT_EQ(ShredFile(dir / "sub", 4).message, "Cannot shred " + dir / "sub" + ": not a regular file");
    const std::string dangling = dir / "dangling";
    ASSERT_EQ(symlink("nowhere", dangling.c_str()), 0);
    EXPECT_FALSE(ShredFile(dangling, 4).ok);
    EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"keep.txt", "$000000.tmp", "sub", "dangling"}));
}

TEST(Shredder, FileAlreadyNamedLikeTheTemporaryName) {
    TempDir dir;
    const std::string file = dir.write("$000000.tmp", Original(5000));
    EXPECT_TRUE(ShredFile(file, 1).ok);
    EXPECT_TRUE(Names(dir.path()).empty());
}

TEST(Shredder, WriteFailureGivesTheFileItsNameBack) {
    // A file size limit below the file's size makes the overwriting fail part way.
    TempDir dir;
    const std::string file = dir.write("f.dat", Original(10240));
    rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto old_handler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 2048;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const ShredResult r = ShredFile(file, 2);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, old_handler);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "Cannot shred " + file + ": File too large");
    EXPECT_EQ(Names(dir.path()), std::set<std::string>{"f.dat"});
    EXPECT_EQ(ReadFile(file).size(), 10240u);
}

}  // namespace
}  // namespace vantum
