#include "core/parallel_lister.h"

#include <chrono>

#include "platform/dir_listing.h"

namespace vantum {

using platform::EntryKind;
using platform::EntryView;
using platform::FolderHandle;
using platform::FolderReader;

ListedFolder::~ListedFolder() {
    // Iterative, so that a very deep hierarchy cannot exhaust the stack.
    std::vector<std::unique_ptr<ListedFolder>> pending;
    for (auto& k : kids) pending.push_back(std::move(k));
    kids.clear();
    while (!pending.empty()) {
        auto f = std::move(pending.back());
        pending.pop_back();
        for (auto& k : f->kids) pending.push_back(std::move(k));
        f->kids.clear();
    }
}

// One folder to list: opened relative to its parent, which stays open until its last child
// folder has been opened.
struct ParallelLister::Job {
    ListedFolder* folder;
    std::shared_ptr<FolderHandle> parent;  // null for the start folder
    std::string path;                      // start folder only
};

ParallelLister::ParallelLister(int threads, bool includeHidden)
    : includeHidden_(includeHidden), stack_(new std::vector<Job>) {
    platform::RaiseOpenFileLimit();
    if (threads < 1) threads = 1;
    for (int i = 0; i < threads; ++i) workers_.emplace_back([this] { Worker(); });
}

ParallelLister::~ParallelLister() {
    Cancel();
    for (auto& t : workers_) t.join();
    delete stack_;
}

ListedFolder* ParallelLister::Start(const std::string& path) {
    root_ = std::make_unique<ListedFolder>(path);
    std::vector<Job> jobs;
    jobs.push_back(Job{root_.get(), nullptr, path});
    Push(jobs);
    return root_.get();
}

void ParallelLister::Push(std::vector<Job>& jobs) {
    if (jobs.empty()) return;
    {
        std::lock_guard<std::mutex> lock(mu_);
        // Last pushed is listed first: push in reverse so the first child comes next, which is
        // the order the descent consumes.
        for (auto it = jobs.rbegin(); it != jobs.rend(); ++it) stack_->push_back(std::move(*it));
    }
    if (jobs.size() == 1)
        jobsCv_.notify_one();
    else
        jobsCv_.notify_all();
}

void ParallelLister::Worker() {
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(mu_);
            jobsCv_.wait(lock, [&] { return stop_.load() || !stack_->empty(); });
            if (stop_.load()) return;
            job = std::move(stack_->back());
            stack_->pop_back();
        }
        List(job);
    }
}

void ParallelLister::List(Job& job) {
    ListedFolder* f = job.folder;
    FolderHandle h = job.parent ? FolderHandle::OpenAt(job.parent->fd(), f->name.c_str())
                                : FolderHandle::Open(job.path);
    job.parent.reset();
    // A sub-folder on another device than its parent is a mount point: another drive.
    std::uint64_t dev = h.ok() ? h.Device() : 0;
    std::vector<Job> kids;
    if (h.ok()) {
        f->readable = true;
        FolderReader reader(h, true);
        EntryView e;
        std::int64_t bytes = 0;
        while (reader.Next(e)) {
            if (e.kind == EntryKind::Folder && e.statted && e.device != dev) continue;  // a mount point
            bytes += static_cast<std::int64_t>(e.size);
            if (e.kind == EntryKind::Folder && (includeHidden_ || !e.hidden))
                f->kids.push_back(std::make_unique<ListedFolder>(std::string(e.name)));
        }
        f->bytes = bytes;
        if (!f->kids.empty() && !stop_.load()) {
            auto self = std::make_shared<FolderHandle>(std::move(h));
            kids.reserve(f->kids.size());
            for (auto& k : f->kids) kids.push_back(Job{k.get(), self, {}});
        }
    }
    Push(kids);
    f->done.store(true, std::memory_order_release);
    if (waiting_.load()) {
        std::lock_guard<std::mutex> lock(mu_);
        doneCv_.notify_all();
    }
}

void ParallelLister::WaitFor(const ListedFolder* folder, ProgressSink& sink) {
    while (!folder->done.load(std::memory_order_acquire)) {
        {
            std::unique_lock<std::mutex> lock(mu_);
            waiting_.store(true);
            doneCv_.wait_for(lock, std::chrono::milliseconds(20),
                             [&] { return folder->done.load(std::memory_order_acquire); });
            waiting_.store(false);
        }
        sink.Idle();
    }
}

void ParallelLister::Cancel() {
    {
        std::lock_guard<std::mutex> lock(mu_);
        stop_.store(true);
        stack_->clear();
    }
    jobsCv_.notify_all();
}

}  // namespace vantum
