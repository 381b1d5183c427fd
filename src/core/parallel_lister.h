#pragma once
// Lists a folder hierarchy on worker threads ahead of the descent that consumes it.
// Each listed folder yields its sub-folders to enter (in listing order), the bytes of its own
// entry and of its files, and its files with several hard links (counted once per scan by the
// descent, at their first name in pre-order). The consumer walks the result in pre-order.
// While it waits for a folder it lists folders itself, so the calling thread is one of the
// listing threads and seldom sleeps.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/progress.h"

namespace vantum {

namespace platform {
class FolderHandle;
}

// A file with more than one name: where it counts is decided by the descent.
struct LinkedFile {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t bytes = 0;
};

struct ListedFolder {
    std::string name;                                  // entry name in its parent (path for the start)
    ListedFolder* up = nullptr;                        // the folder it was listed in
    std::vector<std::unique_ptr<ListedFolder>> kids;  // sub-folders to enter, listing order
    std::vector<LinkedFile> links;                     // files with several names
    std::int64_t bytes = 0;                            // own entry, single-named files, folders not entered
    std::uint64_t device = 0;                          // as the parent's listing saw the folder
    std::uint64_t mountId = 0;
    int error = 0;                                     // errno when it could not be (fully) listed
    bool cut = false;                                  // listing stopped early on a stop request
    std::atomic<bool> done{false};
    std::shared_ptr<platform::FolderHandle> parent;    // open parent until this one is opened

    explicit ListedFolder(std::string n) : name(std::move(n)) {}
    ~ListedFolder();
};

struct ListingRules {
    bool includeHidden = true;   // enter folders whose name begins with "."
    bool apparentSizes = false;  // st_size instead of the space taken on disk
};

// Lists one open folder into listed: bytes, links and (when enterFolders) the sub-folders the
// descent enters. Entries on another device or mount than the folder are left out (another
// drive). tick is called every few hundred entries; when it returns false the listing stops
// and the folder is marked cut. The one place of these rules, shared by the descent and the
// size pass.
void ListFolderEntries(const platform::FolderHandle& folder, const ListingRules& rules, ListedFolder& listed,
                       bool enterFolders, const std::function<bool()>& tick = {});

class ParallelLister {
public:
    // threads: listing threads including the caller's (1 = everything on the calling thread,
    // in serial order; 0 = start with one per core and add workers while the walk waits on
    // the storage). Folders on another file system than their parent are never entered.
    ParallelLister(int threads, const ListingRules& rules);
    ~ParallelLister();
    ParallelLister(const ParallelLister&) = delete;
    ParallelLister& operator=(const ParallelLister&) = delete;

    // Starts listing at path (absolute). The result is valid until the lister is destroyed.
    // noFollow: a start that is a symbolic link is not listed (a branch being refreshed).
    ListedFolder* Start(const std::string& path, bool noFollow = false);
    // Returns true once folder is listed, listing it (or others) on this thread meanwhile and
    // calling sink.Idle() at least every 10 ms. Returns false when the sink reports a pending
    // stop: the walk is cancelled then.
    bool WaitFor(ListedFolder* folder, ProgressSink& sink);
    // Drops every folder not listed yet; WaitFor must not be called afterwards.
    void Cancel();
    // Listing threads running now, the caller's included.
    int ThreadCount() const { return static_cast<int>(workers_.size()) + 1; }

private:
    void Worker();
    void List(ListedFolder* folder, const std::function<bool()>& tick);
    platform::FolderHandle OpenFolder(ListedFolder* folder);
    ListedFolder* Take(ListedFolder* wanted);  // under mu_; null when empty
    void MaybeAddWorker();

    ListingRules rules_;
    std::unique_ptr<ListedFolder> root_;
    bool rootNoFollow_ = false;
    std::mutex mu_;
    std::condition_variable jobsCv_;
    std::condition_variable doneCv_;
    std::vector<ListedFolder*> stack_;  // listed by whoever takes them off
    bool stop_ = false;
    std::atomic<bool> cancel_{false};
    std::atomic<bool> waiting_{false};
    std::vector<std::thread> workers_;
    // Open descriptors kept for folders still to be listed are bounded by this budget.
    std::atomic<int> heldHandles_{0};
    int handleBudget_ = 64;
    // Adapting the worker count: wall and CPU time the listing threads spent.
    bool adaptive_ = false;
    int maxWorkers_ = 0;
    std::atomic<std::int64_t> wallNs_{0};
    std::atomic<std::int64_t> cpuNs_{0};
    std::atomic<int> listedCount_{0};
};

}  // namespace vantum
