#pragma once
// Opens the folders of a size-tree branch from the disk in pre-order, each relative to its
// parent's descriptor and never through a symbolic link, with the path built as it goes. Works
// at any depth with a bounded number of open descriptors.

#include <functional>
#include <string>

#include "core/size_tree.h"
#include "platform/dir_listing.h"

namespace vantum {

// visit(folder, path, handle): handle is not ok() when the folder cannot be opened now (gone,
// replaced by a link, no permission). Return false to end the walk.
using BranchVisitor =
    std::function<bool(const TSizeFolder& folder, const std::string& path, const platform::FolderHandle& handle)>;

void WalkBranch(const TSizeFolder& start, const BranchVisitor& visit);

}  // namespace vantum
