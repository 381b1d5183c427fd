#pragma once
// Lists a folder hierarchy on worker threads ahead of the descent that consumes it.
// Each listed folder yields its sub-folders to enter (in listing order) and the bytes of all its
// entries; the consumer walks the result in pre-order. While it waits for a folder it lists
// folders itself (that one first), so the calling thread is one of the listing threads and
// seldom sleeps.

#include <atomic>
#include <condition_variable>
#include <cstdint>
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

struct ListedFolder {
    std::string name;                                   // entry name in its parent (path for the start)
    std::vector<std::unique_ptr<ListedFolder>> kids;   // sub-folders to enter, listing order
    std::int64_t bytes = 0;                             // own sizes of every entry but "." and ".."
    bool readable = false;                              // the folder could be opened
    std::atomic<bool> claimed{false};                   // a thread has taken it to list
    std::atomic<bool> done{false};
    std::shared_ptr<platform::FolderHandle> parent;     // open parent until this one is opened

    explicit ListedFolder(std::string n) : name(std::move(n)) {}
    ~ListedFolder();
};

// Lists one open folder: returns the own sizes of its entries but "." and "..", leaving out
// mount points (another drive), and appends to kids (when given) the sub-folders the descent
// enters. The one place of these rules, shared by the descent and the size pass.
std::int64_t ListFolderEntries(const platform::FolderHandle& folder, bool includeHidden,
                               std::vector<std::unique_ptr<ListedFolder>>* kids);

class ParallelLister {
public:
    // threads: listing threads including the caller's (1 = everything on the calling thread,
    // in serial order). includeHidden: enter folders whose name begins with ".". Folders on
    // another file system than their parent are never entered.
    ParallelLister(int threads, bool includeHidden);
    ~ParallelLister();
    ParallelLister(const ParallelLister&) = delete;
    ParallelLister& operator=(const ParallelLister&) = delete;

    // Starts listing at path (absolute). The result is valid until the lister is destroyed.
    ListedFolder* Start(const std::string& path);
    // Returns once folder is listed, listing it (or others) on this thread meanwhile and
    // calling sink.Idle() while it has to wait.
    void WaitFor(ListedFolder* folder, ProgressSink& sink);
    // Drops every folder not listed yet; WaitFor must not be called afterwards.
    void Cancel();

private:
    void Worker();
    void List(ListedFolder* folder);
    ListedFolder* Pop();  // under mu_; null when empty

    bool includeHidden_;
    std::unique_ptr<ListedFolder> root_;
    std::mutex mu_;
    std::condition_variable jobsCv_;
    std::condition_variable doneCv_;
    std::vector<ListedFolder*> stack_;
    bool stop_ = false;
    std::atomic<bool> waiting_{false};
    std::vector<std::thread> workers_;
};

}  // namespace vantum
