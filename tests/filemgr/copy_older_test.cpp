// Copy with overwrite-older on real folders.
#include "filemgr/copy_older.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

using vantum::CopyOlderOptions;
using vantum::CopyOverwriteOlder;
using vantum::OverwriteAnswer;
using vantum::test::ReadFile;
using vantum::test::TempDir;
using Lines = std::vector<std::string>;

void SetTime(const std::string& path, time_t sec) {
    const timespec t[2] = {{sec, 0}, {sec, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), t, AT_SYMLINK_NOFOLLOW), 0) << path;
}

time_t MTime(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? st.st_mtime : 0;
}

// The source: a selected file and a selected folder whose files meet an older, a newer and
// an equally old copy at the destination, plus files deeper than any existing folder there.
struct Fixture {
    TempDir dir;
    std::string src = dir.mkdir("src");
    std::string dest = dir.mkdir("dest");
    Fixture() {
        const time_t t = 1600000000;
        SetTime(dir.write("src/top.txt", "top"), t);
        SetTime(dir.write("src/F/a.txt", "new a"), t);
        SetTime(dir.write("src/F/b.txt", "new b"), t);
        SetTime(dir.write("src/F/c.txt", "new c"), t);
        SetTime(dir.write("src/F/deep/x/y.txt", "y"), t);
        symlink("a.txt", (dir / "src/F/link").c_str());
        SetTime(dir.write("dest/F/a.txt", "old a"), t - 100);
        SetTime(dir.write("dest/F/b.txt", "newer b"), t + 100);
        SetTime(dir.write("dest/F/c.txt", "same c"), t);
    }
    vantum::CopyOlderResult Run(OverwriteAnswer answer, int* asked = nullptr) {
        CopyOlderOptions options;
        options.ask = [answer, asked] {
            if (asked) ++*asked;
            return answer;
        };
        return CopyOverwriteOlder(src + "/", {src + "/top.txt", src + "/F"}, dest, options);
    }
};

TEST(CopyOlder, OlderAnswerOverwritesWhatIsNotNewerAndCreatesEveryFolder) {
    Fixture f;
    int asked = 0;
    const auto r = f.Run(OverwriteAnswer::Older, &asked);
    EXPECT_TRUE(r.ok) << r.message;
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(r.log, (Lines{"not there:top.txt", "ovrewrite older:F/a.txt", "ovrewrite older:F/c.txt",
                            "not there:F/deep/x/y.txt", "not there:F/link"}));
    EXPECT_EQ(ReadFile(f.dest + "/F/a.txt"), "new a");
    EXPECT_EQ(ReadFile(f.dest + "/F/b.txt"), "newer b");
    EXPECT_EQ(ReadFile(f.dest + "/F/c.txt"), "new c");
    EXPECT_EQ(ReadFile(f.dest + "/F/deep/x/y.txt"), "y");
    EXPECT_EQ(fs::read_symlink(f.dest + "/F/link"), "a.txt");
    // Times travel with the copies, or the next run would misjudge which side is newer.
    EXPECT_EQ(MTime(f.dest + "/F/deep/x/y.txt"), 1600000000);
    EXPECT_EQ(MTime(f.dest + "/F/a.txt"), 1600000000);

    const std::string log = f.dir / "Vantu.log";
    ASSERT_EQ(vantum::WriteCopyLog(log, r.log), 0);
    EXPECT_EQ(ReadFile(log).substr(0, 40), "not there:top.txt\r\novrewrite older:F/a.t");
    EXPECT_EQ(ReadFile(log).substr(ReadFile(log).size() - 18), "not there:F/link\r\n");
}

TEST(CopyOlder, AllAndNoneAnswers) {
    {
        Fixture f;
        const auto r = f.Run(OverwriteAnswer::All);
        EXPECT_EQ(r.log, (Lines{"not there:top.txt", "source older:F/a.txt", "source older:F/b.txt",
                                "source older:F/c.txt", "not there:F/deep/x/y.txt", "not there:F/link"}));
        EXPECT_EQ(ReadFile(f.dest + "/F/b.txt"), "new b");
    }
    {
        Fixture f;
        const auto r = f.Run(OverwriteAnswer::None);
        EXPECT_EQ(r.log, (Lines{"not there:top.txt", "not there:F/deep/x/y.txt", "not there:F/link"}));
        EXPECT_EQ(r.kept, 3);
        EXPECT_EQ(ReadFile(f.dest + "/F/a.txt"), "old a");
    }
    {
        // Nothing exists at the destination: nothing is asked.
        TempDir dir;
        dir.write("s/one", "1");
        int asked = 0;
        CopyOlderOptions options;
        options.ask = [&] { return ++asked, OverwriteAnswer::All; };
        const auto r = CopyOverwriteOlder(dir / "s", {dir / "s/one"}, dir.mkdir("d"), options);
        EXPECT_EQ(r.log, Lines{"not there:one"});
        EXPECT_EQ(asked, 0);
    }
}

TEST(CopyOlder, RefusesADestinationInsideTheSourceOrNotAFolder) {
    TempDir dir;
    dir.write("src/F/a.txt", "a");
    const std::string inside = dir.mkdir("src/F/backup");
    CopyOlderOptions options;
    const struct {
        std::string dest;
        std::string message;
    } cases[] = {
        {inside, "The destination " + inside + " lies inside " + (dir / "src/F")},
        {dir / "src/F", "The destination " + (dir / "src/F") + " lies inside " + (dir / "src/F")},
        {dir / "src", "The destination is the source folder itself"},
        {dir / "src/F/a.txt", dir / "src/F/a.txt: not an existing folder"},
        {dir / "missing", dir / "missing: not an existing folder"},
    };
    for (const auto& c : cases) {
        const auto r = CopyOverwriteOlder(dir / "src", {dir / "src/F"}, c.dest, options);
        EXPECT_EQ(r.message, c.message);
        EXPECT_TRUE(r.log.empty());
    }
    EXPECT_FALSE(fs::exists(inside + "/F"));
}

TEST(CopyOlder, LinksAtTheDestinationAreNeverFollowed) {
    TempDir dir;
    dir.write("src/F/a.txt", "a");
    dir.write("src/G/b.txt", "b");
    dir.write("outside/a.txt", "keep");
    dir.mkdir("dest/F");
    symlink((dir / "outside/a.txt").c_str(), (dir / "dest/F/a.txt").c_str());
    symlink((dir / "outside").c_str(), (dir / "dest/G").c_str());
    CopyOlderOptions options;
    options.answer = OverwriteAnswer::All;
    const auto r = CopyOverwriteOlder(dir / "src", {dir / "src/F", dir / "src/G"}, dir / "dest", options);
    // A folder of the destination that is a link ends the run before any file is copied.
    EXPECT_NE(r.message.find("dest/G"), std::string::npos) << r.message;
    EXPECT_FALSE(fs::exists(dir / "outside/b.txt"));
    EXPECT_EQ(ReadFile(dir / "outside/a.txt"), "keep");

    const auto r2 = CopyOverwriteOlder(dir / "src", {dir / "src/F"}, dir / "dest", options);
    EXPECT_EQ(r2.log, Lines{"source older:F/a.txt"});
    EXPECT_FALSE(fs::is_symlink(dir / "dest/F/a.txt"));  // the link itself was replaced
    EXPECT_EQ(ReadFile(dir / "dest/F/a.txt"), "a");
    EXPECT_EQ(ReadFile(dir / "outside/a.txt"), "keep");
}

TEST(CopyOlder, TwoSecondToleranceForCoarseClocks) {
    for (const int tolerance : {0, 2}) {
        TempDir dir;
        SetTime(dir.write("s/f", "source"), 1600000000);
        SetTime(dir.write("d/f", "dest"), 1600000001);  // one FAT tick later
        CopyOlderOptions options;
        options.answer = OverwriteAnswer::Older;
        options.toleranceSeconds = tolerance;
        const auto r = CopyOverwriteOlder(dir / "s", {dir / "s/f"}, dir / "d", options);
        EXPECT_EQ(ReadFile(dir / "d/f"), tolerance ? "source" : "dest") << tolerance;
        EXPECT_EQ(r.log.size(), tolerance ? 1u : 0u);
    }
}

TEST(CopyOlder, AFullDestinationKeepsTheOldFile) {
    TempDir dir;
    const std::string dest = dir.mkdir("small");
    if (std::system(("mount -t tmpfs -o size=128k tmpfs '" + dest + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    dir.write("small/big.bin", "old");
    SetTime(dest + "/big.bin", 1000);
    dir.write("src/big.bin", std::string(1 << 20, 'x'));
    CopyOlderOptions options;
    options.answer = OverwriteAnswer::Older;
    const auto r = CopyOverwriteOlder(dir / "src", {dir / "src/big.bin"}, dest, options);
    EXPECT_EQ(r.log, Lines{"error:big.bin"});
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(ReadFile(dest + "/big.bin"), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dest), fs::directory_iterator()), 1);
    EXPECT_EQ(std::system(("umount '" + dest + "'").c_str()), 0);
}

}  // namespace
