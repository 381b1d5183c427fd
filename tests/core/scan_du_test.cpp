// The scan against du, on fixtures built to break it: hard links, sparse and written files,
// depth past any stack, a descriptor limit, links that replace folders, mounts inside the tree.

#include <fcntl.h>
#include <pthread.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "core/file_search.h"
#include "core/scan.h"
#include "core/scan_fixture.h"
#include "core/tree_file.h"
#include "support/temp_dir.h"

using namespace vantum;
using namespace vantum::test;

namespace {

std::int64_t Bytes(const TSizeFolder* f) { return std::llround(f->CumulatedSize() * 1048576.0); }

void SameTree(const TSizeFolder* a, const TSizeFolder* b) {
    std::vector<std::pair<const TSizeFolder*, const TSizeFolder*>> stack{{a, b}};
    while (!stack.empty()) {
        auto [x, y] = stack.back();
        stack.pop_back();
        ASSERT_EQ(x->Name, y->Name);
        EXPECT_EQ(x->FilesSize, y->FilesSize) << x->Path();
        EXPECT_EQ(x->SubFoldersSize, y->SubFoldersSize) << x->Path();
        ASSERT_EQ(x->SubFolderCount(), y->SubFolderCount()) << x->Path();
        for (int i = 0; i < x->SubFolderCount(); ++i) stack.push_back({x->GetSubFolder(i), y->GetSubFolder(i)});
    }
}

// Runs fn on a thread with the given stack size, as a window or CLI thread with a small stack.
void RunWithStack(size_t bytes, const std::function<void()>& fn) {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, bytes);
    pthread_t t;
    auto* call = new std::function<void()>(fn);
    ASSERT_EQ(pthread_create(
                  &t, &attr,
                  [](void* p) -> void* {
                      auto* f = static_cast<std::function<void()>*>(p);
                      (*f)();
                      delete f;
                      return nullptr;
                  },
                  call),
              0);
    pthread_join(t, nullptr);
    pthread_attr_destroy(&attr);
}

// A chain of folders "c/c/c/..." below at, made without ever building the long path.
void MakeChain(const std::string& at, int depth, const char* leafFile = nullptr) {
    int fd = ::open(at.c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < depth; ++i) {
        ::mkdirat(fd, "c", 0755);
        int next = ::openat(fd, "c", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    if (leafFile) {
        int f = ::openat(fd, leafFile, O_CREAT | O_WRONLY, 0644);
        ASSERT_EQ(::write(f, "leaf", 4), 4);
        ::close(f);
    }
    ::close(fd);
}

// A scratch folder in memory (/dev/shm) where there is one: the big fixtures below are made
// and removed there in a fraction of the time a disk (mounted with discard) needs.
class ScratchDir {
public:
    ScratchDir() {
        struct stat st;
        std::string base = ::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) && ::access("/dev/shm", W_OK) == 0
                               ? "/dev/shm"
                               : (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp");
        std::string tmpl = base + "/vantum-scan-XXXXXX";
        if (::mkdtemp(tmpl.data())) path_ = tmpl;
    }
    ~ScratchDir() {
        if (!path_.empty()) std::system(("rm -rf -- '" + path_ + "'").c_str());
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::string operator/(const std::string& rel) const { return path_ + "/" + rel; }
    std::string mkdir(const std::string& rel) const {
        std::filesystem::create_directories(*this / rel);
        return *this / rel;
    }
    void sparse(const std::string& rel, std::uint64_t size) const {
        std::filesystem::create_directories(std::filesystem::path(*this / rel).parent_path());
        std::ofstream(*this / rel).close();
        std::filesystem::resize_file(*this / rel, size);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace

TEST(ScanDu, TotalsEqualDuInBothModesWithAnyNumberOfThreads) {
    TempDir d;
    d.sparse("top/vm/disk.img", 40ull << 30);          // sparse: nothing on disk
    d.write("top/docs/report.txt", std::string(150 * 1024 + 7, 'v'));  // written: real blocks
    d.write("top/docs/deep/er/notes", std::string(5000, 'v'));
    d.write("top/lib/driver.ko", std::string(300 * 1024, 'v'));
    d.mkdir("top/empty");
    d.mkdir("top/.cache/x");
    d.write("top/.cache/x/blob", std::string(9000, 'v'));
    // Ten names of one file in one folder, and names across branches.
    for (int i = 1; i < 10; ++i)
        ASSERT_EQ(::link((d / "top/lib/driver.ko").c_str(), (d / "top/lib/alias" + std::to_string(i)).c_str()), 0);
    ASSERT_EQ(::link((d / "top/lib/driver.ko").c_str(), (d / "top/docs/deep/driver-copy").c_str()), 0);
    ASSERT_EQ(::link((d / "top/docs/report.txt").c_str(), (d / "top/vm/report-link").c_str()), 0);
    ASSERT_EQ(::symlink("../lib", (d / "top/docs/lib-link").c_str()), 0);

    const std::string top = d / "top";
    for (bool apparent : {false, true}) {
        const std::int64_t du = DuBytes(top, apparent);
        ASSERT_GT(du, 0);
        TSizeTree serial, parallel;
        ScanResult a = Scan(serial, top, ScanOptions{true, apparent, 1}, NullProgress());
        ScanResult b = Scan(parallel, top, ScanOptions{true, apparent, 4}, NullProgress());
        EXPECT_EQ(Bytes(a.top), du) << "apparent=" << apparent;
        EXPECT_EQ(a.unreadable, 0);
        // Where a file with several names counts does not depend on the threads.
        SameTree(a.top, b.top);
        // Every subtree without names shared outside it matches du too.
        EXPECT_EQ(Bytes(serial.FindFolder(top + "/empty")), DuBytes(top + "/empty", apparent));
        EXPECT_EQ(Bytes(serial.FindFolder(top + "/.cache")), DuBytes(top + "/.cache", apparent));
    }
    TSizeTree tree;
    ScanResult r = Scan(tree, top, ScanOptions{}, NullProgress());
    EXPECT_LT(Bytes(r.top), 2 << 20) << "the 40 GiB sparse image takes next to nothing on disk";
    // Refreshing the top keeps the invariant; so does refreshing a branch whose hard links
    // also have names elsewhere (they keep counting where they counted).
    RefreshBranch(tree, tree.FindFolder(top + "/docs"), true, NullProgress());
    EXPECT_EQ(Bytes(r.top), DuBytes(top, false));
    RefreshBranch(tree, r.top, true, NullProgress());
    EXPECT_EQ(Bytes(r.top), DuBytes(top, false));
}

TEST(ScanDu, AChainDeeperThanAnyStackScansSumsRefreshesAndSearches) {
    ScratchDir d;
    const int depth = 100000;
    d.mkdir("top");
    MakeChain(d / "top", depth, "leaf.txt");
    const std::string top = d / "top";
    const std::int64_t du = DuBytes(top, true);
    RunWithStack(1 << 20, [&] {
        TSizeTree tree;
        ScanResult r = Scan(tree, top, ScanOptions{true, true, 0}, NullProgress());
        EXPECT_EQ(r.folders, depth);
        EXPECT_EQ(Bytes(r.top), du);
        EXPECT_EQ(tree.CountFolders(r.top), depth);
        RefreshBranch(tree, r.top->GetSubFolder(0), true, NullProgress());
        EXPECT_EQ(Bytes(r.top), du);
        FileSearchResult found = FindFilesInTree(*r.top, "leaf.*", NullProgress(), true);
        ASSERT_EQ(found.paths.size(), 1u);
        EXPECT_GT(found.paths[0].size(), 2u * depth);
    });
}

TEST(ScanDu, ADeepTreeSavesAndReloadsOnASmallStack) {
    ScratchDir d;
    d.mkdir("top");
    MakeChain(d / "top", 4000);
    RunWithStack(1 << 20, [&] {
        TSizeTree tree, back;
        ScanResult r = Scan(tree, d / "top", ScanOptions{}, NullProgress());
        SaveToFile(tree, d / "deep.vtr");
        LoadFromFile(back, d / "deep.vtr");
        ASSERT_NE(back.Top(), nullptr);
        EXPECT_EQ(back.CountFolders(back.Top()), 4000);
        EXPECT_EQ(back.Top()->CumulatedSize(), r.top->CumulatedSize());
    });
}

// Under a limit of 64 descriptors, a wide comb and a deep tree with a pending branch at every
// level (which would keep a descriptor per level open) still scan to du's total.
TEST(ScanDu, ALimitOf64DescriptorsLosesNothing) {
    ScratchDir d;
    for (int i = 0; i < 3000; ++i) d.sparse("comb/c" + std::to_string(i) + "/s/t/f", 100);
    std::string at = d.mkdir("bushy");
    for (int level = 0; level < 300; ++level) {
        d.sparse(at.substr(d.path().size() + 1) + "/side/f", 10);
        at += "/a";
        d.mkdir(at.substr(d.path().size() + 1));
    }
    for (const char* name : {"comb", "bushy"}) {
        const std::string top = d / name;
        const std::int64_t du = DuBytes(top, true);
        int pipefd[2];
        ASSERT_EQ(::pipe(pipefd), 0);
        pid_t pid = ::fork();
        if (pid == 0) {
            struct rlimit rl{64, 64};
            ::setrlimit(RLIMIT_NOFILE, &rl);
            TSizeTree tree;
            ScanResult r = Scan(tree, top, ScanOptions{true, true, 4}, NullProgress());
            long long bytes = r.unreadable ? -r.unreadable : Bytes(r.top);
            (void)!::write(pipefd[1], &bytes, sizeof bytes);
            ::_exit(0);
        }
        ::close(pipefd[1]);
        long long bytes = 0;
        ASSERT_EQ(::read(pipefd[0], &bytes, sizeof bytes), static_cast<ssize_t>(sizeof bytes));
        ::close(pipefd[0]);
        ::waitpid(pid, nullptr, 0);
        EXPECT_EQ(bytes, du) << name << " (negative: folders that could not be opened)";
    }
}

TEST(ScanDu, AFolderReplacedByALinkIsGoneNotFollowed) {
    TempDir d;
    d.write("top/a/f", std::string(20000, 'v'));
    d.write("elsewhere/big", std::string(1 << 20, 'v'));
    TSizeTree tree;
    ScanResult r = Scan(tree, d / "top", ScanOptions{true, true, 0}, NullProgress());
    TSizeFolder* a = tree.FindFolder(d / "top/a");
    ASSERT_NE(a, r.top);
    ASSERT_EQ(std::system(("rm -rf -- '" + d / "top/a" + "'").c_str()), 0);
    ASSERT_EQ(::symlink((d / "elsewhere").c_str(), (d / "top/a").c_str()), 0);
    RefreshBranch(tree, a, true, NullProgress());
    EXPECT_EQ(a->CumulatedSize(), 0);
    EXPECT_NE(a->ReadError, 0);
    EXPECT_TRUE(FindFilesInTree(*r.top, "big", NullProgress(), false).paths.empty()) << "search does not follow it";
}

TEST(ScanDu, ABindMountInsideTheTreeIsLeftOut) {
    TempDir d;
    d.write("top/data/f", std::string(50000, 'v'));
    d.mkdir("top/mnt");
    if (::mount((d / "top/data").c_str(), (d / "top/mnt").c_str(), nullptr, MS_BIND, nullptr) != 0)
        GTEST_SKIP() << "bind mounts are not permitted here: " << std::strerror(errno);
    TSizeTree tree;
    ScanResult r = Scan(tree, d / "top", ScanOptions{true, true, 0}, NullProgress());
    ::umount((d / "top/mnt").c_str());
    EXPECT_EQ(r.top->SubFolderCount(), 1) << "the mount point is another drive";
    EXPECT_EQ(tree.FindFolder(d / "top/mnt"), r.top);
}

namespace {

// Records the longest time between two calls the window would get, and asks to stop once the
// scan is well inside the big folder.
struct TimingSink : ProgressSink {
    using Clock = std::chrono::steady_clock;
    Clock::time_point last = Clock::now();
    Clock::duration longest{};
    int idles = 0;
    int stopAtIdle = -1;
    void Beat() {
        auto now = Clock::now();
        longest = std::max(longest, now - last);
        last = now;
    }
    void SizeProgress(int) override { Beat(); }
    void ScanCount(int) override { Beat(); }
    void ScanPercent(int) override { Beat(); }
    void Idle() override {
        Beat();
        ++idles;
    }
    bool StopPending() override { return stopAtIdle >= 0 && idles >= stopAtIdle; }
    bool AbortRequested() override { return StopPending(); }
};

}  // namespace

TEST(ScanDu, AHugeFolderKeepsTheWindowLiveAndStopsWhenAsked) {
    ScratchDir d;
    const std::string big = d.mkdir("top/big");
    int fd = ::open(big.c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < 300000; ++i) {
        int f = ::openat(fd, ("f" + std::to_string(i)).c_str(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(f, 0);
        ::close(f);
    }
    ::close(fd);
    for (int threads : {1, 2}) {
        TSizeTree tree;
        TimingSink sink;
        ScanResult r = Scan(tree, d / "top", ScanOptions{true, true, threads}, sink);
        EXPECT_FALSE(r.aborted);
        EXPECT_GE(sink.idles, 3) << "idle calls come from inside the listing of the big folder";
        // Generous for a loaded machine; the listing itself reports every 10 ms.
        EXPECT_LT(sink.longest, std::chrono::milliseconds(250)) << threads;

        TSizeTree stopped;
        TimingSink stopper;
        stopper.stopAtIdle = 2;
        ScanResult s = Scan(stopped, d / "top", ScanOptions{true, true, threads}, stopper);
        EXPECT_TRUE(s.aborted) << "a stop inside a folder's listing ends the scan; nothing partial looks complete";
    }
}
