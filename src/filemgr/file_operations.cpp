#include "filemgr/file_operations.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>

#include "filemgr/atomic_file.h"
#include "filemgr/tree_copy.h"
#include "platform/remove_tree.h"
#include "platform/safe_walk.h"

namespace vantum {

using platform::EntryInfo;

namespace {

std::string Reason(int err) { return std::strerror(err); }

// The services a call was given, with the defaults filled in for the rest.
class Session {
public:
    Session(const FileOpServices& s, bool silent) : s_(s), silent_(silent) {
        if (!s.protectedPaths) {
            ownRule_ = std::make_unique<platform::ProtectedPaths>(platform::ProtectedPaths::ForThisSystem());
        }
        if (!s.trash) ownTrash_ = std::make_unique<platform::Trash>();
        report_ = s.report ? s.report : &ownReport_;
        *report_ = FileOpReport{};
    }

    FileOpQuestions* questions() const { return s_.questions; }
    ProgressSink* sink() const { return silent_ ? nullptr : s_.sink; }
    const platform::ProtectedPaths& rule() const { return s_.protectedPaths ? *s_.protectedPaths : *ownRule_; }
    platform::Trash& trash() const { return s_.trash ? *s_.trash : *ownTrash_; }
    FileOpReport& report() const { return *report_; }

    // Records a failure and shows it: error messages are never suppressed.
    void Error(const std::string& message) const {
        report_->errors.push_back(message);
        if (s_.questions) s_.questions->ShowError(message);
    }
    bool Cancelled() const {
        ProgressSink* k = sink();
        if (k && !report_->cancelled) {
            k->Idle();
            if (k->AbortRequested()) report_->cancelled = true;
        }
        return report_->cancelled;
    }

private:
    const FileOpServices& s_;
    bool silent_;
    std::unique_ptr<platform::ProtectedPaths> ownRule_;
    std::unique_ptr<platform::Trash> ownTrash_;
    FileOpReport ownReport_;
    FileOpReport* report_;
};

bool IsInside(const std::string& path, const std::string& folder) {
    return path == folder || folder == "/" ||
           (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/');
}

bool RemoveForGood(const Session& s, const std::string& path, const EntryInfo& info) {
    platform::RemoveHooks hooks;
    if (ProgressSink* k = s.sink()) {
        hooks.cancel = [&s] { return s.Cancelled(); };
        hooks.progress = [k](std::uint64_t n) { k->ScanCount(static_cast<int>(std::min<std::uint64_t>(n, INT32_MAX))); };
    }
    const platform::RemoveOutcome o = platform::RemoveTree(path, hooks, &info);
    s.report().bytes += o.bytes;
    for (const auto& p : o.problems) s.Error(p.Message());
    if (o.cancelled) s.report().cancelled = true;
    return o.ok();
}

bool DeleteOne(const Session& s, const std::string& path, bool toTrash, bool silent, bool& permanentToAll, bool& stop) {
    if (s.rule().IsProtected(path)) {
        s.Error("Cannot delete \"" + path + "\": it is a protected folder of the system or the user");
        return false;
    }
    EntryInfo info;
    if (int err = platform::StatEntry(AT_FDCWD, path.c_str(), info)) {
        s.Error("Cannot delete \"" + path + "\": " + Reason(err));
        return false;
    }
    if (!toTrash) return RemoveForGood(s, path, info);
    const platform::TrashPut put = s.trash().Put(path, &info);
    if (put.ok()) {
        s.report().trashed.push_back(put.item);
        s.report().bytes += put.bytes;
        return true;
    }
    if (put.status == platform::TrashPut::Status::NoTrash && !silent && s.questions()) {
        FileOpQuestions::Choice c = permanentToAll ? FileOpQuestions::Choice::Yes
                                                   : s.questions()->AskDeletePermanently(path, put.message);
        if (c == FileOpQuestions::Choice::YesToAll) permanentToAll = true;
        if (c == FileOpQuestions::Choice::Yes || c == FileOpQuestions::Choice::YesToAll)
            return RemoveForGood(s, path, info);
        if (c == FileOpQuestions::Choice::Cancel) {
            s.report().cancelled = true;
            stop = true;
        }
        s.report().errors.push_back(put.message);
        return false;
    }
    s.Error(put.message);
    return false;
}

// Apparent size of everything below path, for the copy's progress.
class Totals : public platform::WalkVisitor {
public:
    void Entry(int, const std::string&, const EntryInfo& info) override {
        if (info.IsRegular()) bytes += info.size;
    }
    void Failed(const std::string&, int, const std::string&) override {}
    std::uint64_t bytes = 0;
};

bool TransferOne(const Session& s, TreeCopy& copy, const std::string& srcIn, const std::string& destFolder, int code) {
    const std::string verb = code == FO_MOVE ? "move" : "copy";
    const std::string src = platform::CanonicalItemPath(srcIn);
    EntryInfo info;
    if (int err = platform::StatEntry(AT_FDCWD, src.c_str(), info)) {
        s.Error("Cannot " + verb + " \"" + srcIn + "\": " + Reason(err));
        return false;
    }
    if (code == FO_MOVE && s.rule().IsProtected(src)) {
        s.Error("Cannot move \"" + srcIn + "\": it is a protected folder of the system or the user");
        return false;
    }
    if (info.IsDir() && IsInside(destFolder, src)) {
        s.Error("Cannot " + verb + " \"" + srcIn + "\" into itself");
        return false;
    }
    std::string folder, name;
    platform::SplitPath(src, folder, name);
    if (code == FO_MOVE) {
        if (folder == destFolder) {  // already there
            ++s.report().items;
            return true;
        }
        const int from = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const int to = open(destFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        int err = from < 0 || to < 0 ? errno : 0;
        std::string destName = name;
        TreeCopy::Action action = TreeCopy::Action::Create;
        if (!err) {
            action = copy.Settle(to, destFolder, destName, info, src, true);
            EntryInfo now;
            if (action == TreeCopy::Action::Skip || action == TreeCopy::Action::Cancel) {
                err = -1;
            } else if (platform::StatEntry(from, name.c_str(), now) != 0 || !now.SameAs(info)) {
                err = ESTALE;
            } else if (action == TreeCopy::Action::Merge) {
                err = EXDEV;  // folder onto folder: merge by copy, then the source goes
            } else if (action == TreeCopy::Action::Replace
                           ? renameat(from, name.c_str(), to, destName.c_str()) != 0
                           : renameat2(from, name.c_str(), to, destName.c_str(), RENAME_NOREPLACE) != 0) {
                err = errno;
            }
        }
        if (from >= 0) close(from);
        if (to >= 0) close(to);
        for (auto& e : copy.Errors()) s.Error(e);
        copy.Errors().clear();
        if (err == 0) {
            ++s.report().items;
            return true;
        }
        if (err == -1) return false;
        if (err != EXDEV) {
            s.Error("Cannot move \"" + srcIn + "\": " + Reason(err));
            return false;
        }
        // Another file system (or a merge): copy, then remove the source once all arrived.
        const bool arrived = copy.CopyInto(src, destFolder, destName, action);
        for (auto& e : copy.Errors()) s.Error(e);
        copy.Errors().clear();
        if (!arrived) {
            if (!copy.Cancelled())
                s.Error("\"" + srcIn + "\" was kept: not everything of it arrived in \"" + destFolder + "\"");
            return false;
        }
        if (!RemoveForGood(s, src, info)) return false;
        ++s.report().items;
        return true;
    }
    const bool ok = copy.CopyInto(src, destFolder, name);
    for (auto& e : copy.Errors()) s.Error(e);
    copy.Errors().clear();
    if (ok) ++s.report().items;
    return ok;
}

}  // namespace

const char* TransferTitle(int code) {
    switch (code) {
    case FO_MOVE: return "Moving...";
    case FO_COPY: return "Copying...";
    case FO_DELETE: return "Deleting...";
    case FO_RENAME: return "Renaming...";
    default: return "";
    }
}

std::string JoinPathList(const std::vector<std::string>& paths) {
    std::string out;
    for (const auto& p : paths) {
        out += p;
        out += '\0';
    }
    return out;
}

std::vector<std::string> SplitPathList(const std::string& list) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < list.size()) {
        auto end = list.find('\0', pos);
        if (end == std::string::npos) end = list.size();
        if (end > pos) out.push_back(list.substr(pos, end - pos));
        pos = end + 1;
    }
    return out;
}

bool DeletePaths(const std::string& paths, bool silent, bool toRecycleBin, const FileOpServices& services) {
    Session s(services, silent);
    const std::vector<std::string> list = SplitPathList(paths);
    if (list.empty()) return false;
    if (!silent && s.questions() && !s.questions()->ConfirmDelete(list, toRecycleBin)) {
        s.report().cancelled = true;
        return false;
    }
    ProgressSink* k = s.sink();
    if (k) k->SizeRange(static_cast<int>(list.size()));
    bool all = true;
    bool permanentToAll = false;
    bool stop = false;
    for (std::size_t i = 0; i < list.size() && !stop; ++i) {
        if (s.Cancelled()) break;
        if (DeleteOne(s, list[i], toRecycleBin, silent, permanentToAll, stop)) ++s.report().items;
        else all = false;
        if (k) k->SizeProgress(static_cast<int>(i + 1));
    }
    return all && !s.report().cancelled && s.report().items == list.size();
}

bool RecyclePathsSilently(const std::string& paths, const FileOpServices& services) {
    return DeletePaths(paths, true, true, services);
}

bool TransferPaths(const std::string& source, const std::string& destination, std::uint16_t flags, int code,
                   const FileOpServices& services) {
    Session s(services, (flags & FOF_SILENT) != 0);
    const std::vector<std::string> list = SplitPathList(source);
    if (list.empty() || destination.empty()) return false;
    if (code == FO_RENAME) {
        if (list.size() != 1) return false;
        if (s.rule().IsProtected(list[0])) {
            s.Error("Cannot rename \"" + list[0] + "\": it is a protected folder of the system or the user");
            return false;
        }
        if (const int err = RenameNoReplace(list[0], destination)) {
            s.Error("Cannot rename \"" + list[0] + "\" to \"" + destination + "\": " +
                    (err == EEXIST ? std::string("an item of that name exists already") : Reason(err)));
            return false;
        }
        ++s.report().items;
        return true;
    }
    if (code != FO_COPY && code != FO_MOVE) return false;
    const std::string dest = platform::CanonicalItemPath(destination);
    struct stat st;
    if (stat(dest.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        s.Error("Cannot " + std::string(code == FO_MOVE ? "move" : "copy") + " into \"" + destination +
                "\": it is not a folder");
        return false;
    }
    TreeCopy copy(s.questions(), (flags & FOF_NOCONFIRMATION) != 0, s.sink());
    if (ProgressSink* k = s.sink()) {
        Totals totals;
        for (const auto& p : list) platform::SafeWalk().Run(p, totals);
        copy.SetTotalBytes(totals.bytes);
        k->SizeRange(1000);
    }
    bool all = true;
    for (const auto& p : list) {
        if (s.Cancelled() || copy.Cancelled()) break;
        if (!TransferOne(s, copy, p, dest, code)) all = false;
    }
    if (copy.Cancelled()) s.report().cancelled = true;
    s.report().bytes += copy.BytesCopied();
    return all && !s.report().cancelled && s.report().items == list.size();
}

void CollectFiles(const std::string& folder, std::vector<std::string>& list, std::vector<std::string>* unreadable) {
    class Collector : public platform::WalkVisitor {
    public:
        Collector(platform::SafeWalk& w, std::vector<std::string>& l, std::vector<std::string>* u)
            : walk(w), list(l), unreadable(u) {}
        void Entry(int, const std::string& name, const EntryInfo& info) override {
            if (walk.Depth() == 0 && !top) return;
            if (info.IsRegular() || info.IsLink()) list.push_back(walk.PathOf(name));
        }
        bool Enter(int, const std::string&, int, const EntryInfo&) override {
            top = true;
            return true;
        }
        void Failed(const std::string& path, int error, const std::string&) override {
            if (unreadable && error != EXDEV) unreadable->push_back(path);
        }
        platform::SafeWalk& walk;
        std::vector<std::string>& list;
        std::vector<std::string>* unreadable;
        bool top = false;
    };
    platform::SafeWalk walk;
    Collector c(walk, list, unreadable);
    walk.Run(folder, c);
}

}  // namespace vantum
