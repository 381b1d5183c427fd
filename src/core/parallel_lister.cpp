#include "core/parallel_lister.h"

#include <time.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "platform/dir_listing.h"

namespace vantum {

using platform::EntryKind;
using platform::EntryView;
using platform::FolderHandle;
using platform::FolderReader;

namespace {

std::int64_t ThreadCpuNs() {
    timespec ts;
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

std::int64_t WallNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A trailing "/" would make the kernel follow a link that names the start.
std::string StripSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

constexpr int kTickEvery = 256;          // entries between two ticks
constexpr int kIdleIntervalMs = 10;      // the calling thread reports idle at least this often

}  // namespace

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

void ListFolderEntries(const FolderHandle& folder, const ListingRules& rules, ListedFolder& listed,
                       bool enterFolders, const std::function<bool()>& tick) {
    if (!folder.ok()) return;
    // A sub-folder on another device or mount than its parent is a mount point: another drive.
    const std::uint64_t dev = listed.device;
    const std::uint64_t mnt = listed.mountId;
    FolderReader reader(folder, true);
    if (!reader.ok()) {
        listed.error = reader.error() ? reader.error() : EIO;
        return;
    }
    EntryView e;
    int count = 0;
    while (reader.Next(e)) {
        if (tick && ++count % kTickEvery == 0 && !tick()) {
            listed.cut = true;
            return;
        }
        const std::uint64_t bytes = rules.apparentSizes ? e.size : e.blocks;
        if (e.kind == EntryKind::Folder) {
            if (e.statted && (e.device != dev || (e.mountId && mnt && e.mountId != mnt))) continue;
            if (enterFolders && (rules.includeHidden || !e.hidden)) {
                auto kid = std::make_unique<ListedFolder>(std::string(e.name));
                kid->up = &listed;
                kid->bytes = static_cast<std::int64_t>(bytes);
                kid->device = e.device;
                kid->mountId = e.mountId;
                listed.kids.push_back(std::move(kid));
                continue;
            }
            listed.bytes += static_cast<std::int64_t>(bytes);
        } else if (e.links > 1 && e.statted) {
            listed.links.push_back(LinkedFile{e.device, e.inode, bytes});
        } else {
            listed.bytes += static_cast<std::int64_t>(bytes);
        }
    }
    if (reader.error()) listed.error = reader.error();
}

ParallelLister::ParallelLister(int threads, const ListingRules& rules) : rules_(rules) {
    platform::RaiseOpenFileLimit();
    const int cores = std::max(1u, std::thread::hardware_concurrency());
    adaptive_ = threads <= 0;
    if (adaptive_) threads = cores;
    // Waiting on the storage, more listings in flight than cores pay off; never beyond this.
    maxWorkers_ = adaptive_ ? std::max(threads, std::min(4 * cores, 16)) - 1 : threads - 1;
    // Each listing thread needs two descriptors of its own (folder and listing); what is left
    // of a quarter of the limit may be kept open for folders waiting to be listed.
    const int limit = platform::OpenFileLimit();
    handleBudget_ = std::max(2, std::min(64, (limit - 16) / 2 - 2 * (maxWorkers_ + 1)));
    for (int i = 1; i < threads; ++i) workers_.emplace_back([this] { Worker(); });
}

ParallelLister::~ParallelLister() {
    Cancel();
    for (auto& t : workers_) t.join();
}

ListedFolder* ParallelLister::Start(const std::string& path, bool noFollow) {
    rootNoFollow_ = noFollow;
    root_ = std::make_unique<ListedFolder>(path);
    {
        std::lock_guard<std::mutex> lock(mu_);
        stack_.push_back(root_.get());
    }
    return root_.get();
}

ListedFolder* ParallelLister::Take(ListedFolder* wanted) {
    if (stack_.empty()) return nullptr;
    // The folder the descent waits for is usually among the last pushed.
    if (wanted) {
        const size_t n = stack_.size();
        for (size_t i = n; i > 0 && i + 8 > n; --i) {
            if (stack_[i - 1] == wanted) {
                stack_.erase(stack_.begin() + static_cast<std::ptrdiff_t>(i - 1));
                return wanted;
            }
        }
    }
    ListedFolder* f = stack_.back();
    stack_.pop_back();
    return f;
}

void ParallelLister::Worker() {
    const std::function<bool()> tick = [this] { return !cancel_.load(std::memory_order_relaxed); };
    for (;;) {
        ListedFolder* f;
        {
            std::unique_lock<std::mutex> lock(mu_);
            jobsCv_.wait(lock, [&] { return stop_ || !stack_.empty(); });
            if (stop_) return;
            f = Take(nullptr);
        }
        if (f) List(f, tick);
    }
}

FolderHandle ParallelLister::OpenFolder(ListedFolder* f) {
    if (f->parent) return FolderHandle::OpenAt(f->parent->fd(), f->name.c_str());
    if (!f->up) return FolderHandle::Open(StripSlash(f->name), rootNoFollow_);
    // No descriptor was kept for the parent: walk down from the start, one component at a
    // time and never through a link, holding two descriptors at most.
    std::vector<const ListedFolder*> chain;
    for (const ListedFolder* a = f; a->up; a = a->up) chain.push_back(a);
    FolderHandle cur = FolderHandle::Open(StripSlash(root_->name), rootNoFollow_);
    for (auto it = chain.rbegin(); it != chain.rend() && cur.ok(); ++it)
        cur = FolderHandle::OpenAt(cur.fd(), (*it)->name.c_str());
    return cur;
}

void ParallelLister::List(ListedFolder* f, const std::function<bool()>& tick) {
    const std::int64_t wall0 = adaptive_ ? WallNs() : 0;
    const std::int64_t cpu0 = adaptive_ ? ThreadCpuNs() : 0;
    FolderHandle h = OpenFolder(f);
    f->parent.reset();
    if (!h.ok()) {
        f->error = h.error() ? h.error() : EIO;
    } else {
        if (!f->up) {
            platform::FolderIdentity id = platform::IdentifyFolder(h, rules_.apparentSizes);
            f->device = id.device;
            f->mountId = id.mountId;
            f->bytes = static_cast<std::int64_t>(id.ownBytes);
        }
        ListFolderEntries(h, rules_, *f, true, tick);
        if (!f->kids.empty()) {
            // Keep this folder open for its sub-folders while the budget allows; beyond it they
            // are opened from the start instead, so descriptors stay bounded at any depth.
            std::shared_ptr<FolderHandle> self;
            if (heldHandles_.fetch_add(1) < handleBudget_) {
                self = std::shared_ptr<FolderHandle>(new FolderHandle(std::move(h)), [this](FolderHandle* p) {
                    delete p;
                    heldHandles_.fetch_sub(1);
                });
            } else {
                heldHandles_.fetch_sub(1);
            }
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
    if (adaptive_) {
        wallNs_.fetch_add(WallNs() - wall0, std::memory_order_relaxed);
        cpuNs_.fetch_add(ThreadCpuNs() - cpu0, std::memory_order_relaxed);
        listedCount_.fetch_add(1, std::memory_order_relaxed);
    }
    // Nothing touches f after this: the descent may free it as soon as it sees it done.
    // Sequentially consistent with waiting_ below: a waiter either sees done or is woken.
    f->done.store(true);
    if (waiting_.load()) {
        std::lock_guard<std::mutex> lock(mu_);
        doneCv_.notify_all();
    }
}

void ParallelLister::MaybeAddWorker() {
    // Every 256 folders: when the listing threads spent most of their time waiting on the
    // storage and there is work queued for more, add one.
    if (!adaptive_ || static_cast<int>(workers_.size()) >= maxWorkers_) return;
    if (listedCount_.load(std::memory_order_relaxed) < 256) return;
    const std::int64_t wall = wallNs_.exchange(0), cpu = cpuNs_.exchange(0);
    listedCount_.store(0, std::memory_order_relaxed);
    if (wall < 3 * cpu) return;
    // Listing threads read the worker list under the lock: it grows under it too.
    std::lock_guard<std::mutex> lock(mu_);
    if (stack_.size() < 2 * (workers_.size() + 1) || stop_) return;
    workers_.emplace_back([this] { Worker(); });
}

bool ParallelLister::WaitFor(ListedFolder* folder, ProgressSink& sink) {
    auto lastIdle = std::chrono::steady_clock::now();
    bool stopped = false;
    const std::function<bool()> tick = [&] {
        if (cancel_.load(std::memory_order_relaxed)) return false;
        auto now = std::chrono::steady_clock::now();
        if (now - lastIdle >= std::chrono::milliseconds(kIdleIntervalMs)) {
            sink.Idle();
            lastIdle = std::chrono::steady_clock::now();
            if (sink.StopPending()) {
                stopped = true;
                cancel_.store(true);
                return false;
            }
        }
        return true;
    };
    for (;;) {
        if (folder->done.load(std::memory_order_acquire)) return !folder->cut;
        if (stopped || cancel_.load()) {
            Cancel();
            return false;
        }
        MaybeAddWorker();
        ListedFolder* next;
        {
            std::unique_lock<std::mutex> lock(mu_);
            next = Take(folder);
            if (!next && !folder->done.load()) {
                waiting_.store(true);
                doneCv_.wait_for(lock, std::chrono::milliseconds(kIdleIntervalMs), [&] { return folder->done.load(); });
                waiting_.store(false);
            }
        }
        if (next) List(next, tick);
        if (!next || std::chrono::steady_clock::now() - lastIdle >= std::chrono::milliseconds(kIdleIntervalMs)) {
            sink.Idle();
            lastIdle = std::chrono::steady_clock::now();
            if (sink.StopPending()) stopped = true;
        }
    }
}

void ParallelLister::Cancel() {
    {
        std::lock_guard<std::mutex> lock(mu_);
        stop_ = true;
        stack_.clear();
    }
    cancel_.store(true);
    jobsCv_.notify_all();
}

}  // namespace vantum
