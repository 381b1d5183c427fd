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

std::int64_t ListFolderEntries(const FolderHandle& folder, bool includeHidden,
                               std::vector<std::unique_ptr<ListedFolder>>* kids) {
    if (!folder.ok()) return 0;
    // A sub-folder on another device than its parent is a mount point: another drive.
    const std::uint64_t dev = folder.Device();
    FolderReader reader(folder, true);
    EntryView e;
    std::int64_t bytes = 0;
    while (reader.Next(e)) {
        if (e.kind == EntryKind::Folder && e.statted && e.device != dev) continue;
        bytes += static_cast<std::int64_t>(e.size);
        if (kids && e.kind == EntryKind::Folder && (includeHidden || !e.hidden))
            kids->push_back(std::make_unique<ListedFolder>(std::string(e.name)));
    }
    return bytes;
}

ParallelLister::ParallelLister(int threads, bool includeHidden) : includeHidden_(includeHidden) {
    platform::RaiseOpenFileLimit();
    for (int i = 1; i < threads; ++i) workers_.emplace_back([this] { Worker(); });
}

ParallelLister::~ParallelLister() {
    Cancel();
    for (auto& t : workers_) t.join();
}

ListedFolder* ParallelLister::Start(const std::string& path) {
    root_ = std::make_unique<ListedFolder>(path);
    return root_.get();
}

ListedFolder* ParallelLister::Pop() {
    while (!stack_.empty()) {
        ListedFolder* f = stack_.back();
        stack_.pop_back();
        if (!f->claimed.exchange(true)) return f;
    }
    return nullptr;
}

void ParallelLister::Worker() {
    for (;;) {
        ListedFolder* f;
        {
            std::unique_lock<std::mutex> lock(mu_);
            jobsCv_.wait(lock, [&] { return stop_ || !stack_.empty(); });
            if (stop_) return;
            f = Pop();
        }
        if (f) List(f);
    }
}

void ParallelLister::List(ListedFolder* f) {
    FolderHandle h = f->parent ? FolderHandle::OpenAt(f->parent->fd(), f->name.c_str()) : FolderHandle::Open(f->name);
    f->parent.reset();
    if (h.ok()) {
        f->readable = true;
        f->bytes = ListFolderEntries(h, includeHidden_, &f->kids);
        if (!f->kids.empty()) {
            auto self = std::make_shared<FolderHandle>(std::move(h));
            for (auto& k : f->kids) k->parent = self;
            bool wake;
            {
                std::lock_guard<std::mutex> lock(mu_);
                // Last pushed is listed first: push in reverse so that the first child comes
                // next, the order in which the descent consumes them.
                for (auto it = f->kids.rbegin(); it != f->kids.rend(); ++it) stack_.push_back(it->get());
                wake = !workers_.empty();
            }
            if (wake) jobsCv_.notify_all();
        }
    }
    f->done.store(true, std::memory_order_release);
    if (waiting_.load()) {
        std::lock_guard<std::mutex> lock(mu_);
        doneCv_.notify_all();
    }
}

void ParallelLister::WaitFor(ListedFolder* folder, ProgressSink& sink) {
    for (;;) {
        if (folder->done.load(std::memory_order_acquire)) return;
        if (!folder->claimed.exchange(true)) {
            List(folder);
            return;
        }
        // Another thread lists it: help with the rest meanwhile, sleep only when there is nothing.
        ListedFolder* other;
        {
            std::unique_lock<std::mutex> lock(mu_);
            other = Pop();
            if (!other) {
                waiting_.store(true);
                doneCv_.wait_for(lock, std::chrono::milliseconds(20),
                                 [&] { return folder->done.load(std::memory_order_acquire); });
                waiting_.store(false);
            }
        }
        if (other)
            List(other);
        else
            sink.Idle();
    }
}

void ParallelLister::Cancel() {
    {
        std::lock_guard<std::mutex> lock(mu_);
        stop_ = true;
        stack_.clear();
    }
    jobsCv_.notify_all();
}

}  // namespace vantum
