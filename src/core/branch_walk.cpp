#include "core/branch_walk.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <vector>

namespace vantum {

namespace {

using platform::FolderHandle;

constexpr int kHeldBudget = 32;  // descriptors kept open along the current path

struct Frame {
    const TSizeFolder* folder;
    size_t next = 0;
    FolderHandle handle;
    bool closedEarly = false;  // closed to stay within the budget; reopened through ".."
    dev_t dev = 0;
    ino_t ino = 0;
    size_t pathLen = 0;       // length of the parent's path before this folder was appended
    std::string parentPath;   // the parent's path, where this folder has a path of its own
};

void Identify(Frame& f) {
    struct stat st;
    if (f.handle.ok() && ::fstat(f.handle.fd(), &st) == 0) {
        f.dev = st.st_dev;
        f.ino = st.st_ino;
    }
}

std::string NoTrailingSlash(std::string p) {
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

}  // namespace

void WalkBranch(const TSizeFolder& start, const BranchVisitor& visit) {
    std::string path = start.Path();
    std::vector<Frame> stack;
    stack.push_back(Frame{&start});
    // The top of a scan was given by the user and may be reached through a link; below it,
    // nothing is followed.
    const bool isTop = !start.Parent || !start.Parent->Parent;
    stack.back().handle = FolderHandle::Open(NoTrailingSlash(path), !isTop);
    Identify(stack.back());
    if (!visit(start, path, stack.back().handle)) return;
    size_t lowestOpen = 0;
    int held = 1;

    while (!stack.empty()) {
        Frame& fr = stack.back();
        if (fr.next == fr.folder->SubFolders.size()) {
            // Going up: reopen the parent through ".." if it was closed, checking it is the same.
            if (stack.size() >= 2) {
                Frame& up = stack[stack.size() - 2];
                if (up.closedEarly) {
                    FolderHandle h(fr.handle.ok() ? ::openat(fr.handle.fd(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1);
                    struct stat st;
                    if (!h.ok() || ::fstat(h.fd(), &st) != 0 || st.st_dev != up.dev || st.st_ino != up.ino)
                        h = FolderHandle();
                    up.handle = std::move(h);
                    up.closedEarly = false;
                    if (up.handle.ok()) ++held;
                    if (lowestOpen > stack.size() - 2) lowestOpen = stack.size() - 2;
                }
            }
            if (fr.handle.ok()) --held;
            if (fr.folder->HasOwnPath()) path = std::move(fr.parentPath);
            else path.resize(fr.pathLen);
            stack.pop_back();
            continue;
        }
        const TSizeFolder* child = fr.folder->SubFolders[fr.next++].get();
        Frame next{child};
        next.pathLen = path.size();
        if (child->HasOwnPath()) {
            next.parentPath = path;
            path = child->Path();
            next.handle = FolderHandle::Open(NoTrailingSlash(path), true);
        } else {
            if (path.empty() || path.back() != '/') path += '/';
            path += child->Name;
            if (fr.handle.ok()) next.handle = FolderHandle::OpenAt(fr.handle.fd(), child->Name.c_str());
        }
        Identify(next);
        const bool ok = next.handle.ok();
        stack.push_back(std::move(next));
        if (ok && ++held > kHeldBudget) {
            // Close the shallowest open folder; it is reopened on the way back up.
            while (lowestOpen < stack.size() - 1 && !stack[lowestOpen].handle.ok()) ++lowestOpen;
            if (lowestOpen < stack.size() - 1) {
                stack[lowestOpen].handle = FolderHandle();
                stack[lowestOpen].closedEarly = true;
                --held;
            }
        }
        const Frame& top = stack.back();
        if (!visit(*top.folder, path, top.handle)) return;
    }
}

}  // namespace vantum
