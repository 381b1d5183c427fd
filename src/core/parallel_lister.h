#pragma once
// Lists a folder hierarchy on worker threads ahead of the descent that consumes it.
// Each listed folder yields its sub-folders to enter (in listing order) and the bytes of all its
// entries; the consumer walks the result in pre-order and waits only for folders not listed yet.

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

struct ListedFolder {
    std::string name;                                   // entry name in its parent
    std::vector<std::unique_ptr<ListedFolder>> kids;   // sub-folders to enter, listing order
    std::int64_t bytes = 0;                             // own sizes of every entry but "." and ".."
    bool readable = false;                              // the folder could be opened
    std::atomic<bool> done{false};

    explicit ListedFolder(std::string n) : name(std::move(n)) {}
    ~ListedFolder();
};

class ParallelLister {
public:
    // includeHidden: enter folders whose name begins with "."; folders on another file system
    // than the start folder's are never entered.
    ParallelLister(int threads, bool includeHidden);
    ~ParallelLister();
    ParallelLister(const ParallelLister&) = delete;
    ParallelLister& operator=(const ParallelLister&) = delete;

    // Starts listing at path (absolute). The result is valid until the lister is destroyed.
    ListedFolder* Start(const std::string& path);
    // Blocks until folder is listed, calling sink.Idle() while it waits.
    void WaitFor(const ListedFolder* folder, ProgressSink& sink);
    // Drops every folder not listed yet; WaitFor must not be called afterwards.
    void Cancel();

private:
    struct Job;
    void Worker();
    void List(Job& job);
    void Push(std::vector<Job>& jobs);

    bool includeHidden_;
    std::unique_ptr<ListedFolder> root_;
    std::mutex mu_;
    std::condition_variable jobsCv_;
    std::condition_variable doneCv_;
    std::vector<Job>* stack_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> waiting_{false};
    std::vector<std::thread> workers_;
};

}  // namespace vantum
