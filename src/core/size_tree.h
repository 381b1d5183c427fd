#pragma once
// The in-memory size tree: one node per folder, sizes in megabytes as binary64.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/progress.h"

namespace vantum {

// The model's consistency checks. what() is "Assertion failure (SizeTreeU, line N)".
class SizeTreeAssertion : public std::runtime_error {
public:
    explicit SizeTreeAssertion(int line);
    int line() const { return line_; }

private:
    int line_;
};

// Path and name of the pseudo folder on top of an all-drives scan.
inline constexpr const char* kAllDrives = "<All Drives>";

class TSizeTree;

// Counters shared by the scan, the size pass and the tree file; one set per tree.
struct TScanState {
    std::int32_t FolderCount = 0;
    std::int32_t FirstLevelDone = 0;
    std::int32_t FirstLevelTotal = 0;
    std::int32_t ProgressMax = 0;
    std::int32_t ProgressPos = 0;
    bool AbortScan = false;
    std::int32_t Unreadable = 0;  // folders the last scan or refresh could not list
};

class TSizeFolder {
public:
    // Folders are created only through AddSubFolder/AddChild (and TSizeTree for Root).
    TSizeFolder(TSizeTree* tree, TSizeFolder* parent, std::string path);
    // A folder whose path is built from its parent's and its name.
    TSizeFolder(TSizeTree* tree, TSizeFolder* parent, std::nullptr_t);
    ~TSizeFolder();
    TSizeFolder(const TSizeFolder&) = delete;
    TSizeFolder& operator=(const TSizeFolder&) = delete;

    double FilesSize = 0;       // MB of the files directly in this folder (and of its own entry)
    double SubFoldersSize = 0;  // MB of everything below it
    std::vector<std::unique_ptr<TSizeFolder>> SubFolders;
    // Display name. On a folder made by AddChild the path is built from it: do not change it.
    std::string Name;
    TSizeFolder* Parent = nullptr;
    bool IncludeSystemFolders = true;
    // errno of the failure when the folder could not be listed (counted as empty); 0 when read.
    int ReadError = 0;
    // Bytes of the files directly in this folder as found by the descent's listing, or -1
    // when unknown. The size pass takes it instead of listing the folder a second time.
    std::int64_t ListedBytes = -1;

    // Byte string, exactly as given (folders made by AddChild: the parent's path and the name).
    std::string Path() const;
    // Whether the folder keeps a path of its own instead of building it from its parent's.
    bool HasOwnPath() const { return ownPath_ != nullptr; }
    double CumulatedSize() const { return FilesSize + SubFoldersSize; }

    // Empty path: SizeTreeAssertion(154); nothing is added.
    TSizeFolder* AddSubFolder(const std::string& path);
    // A child whose path is this folder's path joined with name; keeps no path of its own.
    TSizeFolder* AddChild(std::string name);
    // Index out of range: SizeTreeAssertion(199).
    TSizeFolder* GetSubFolder(int index) const;
    int SubFolderCount() const { return static_cast<int>(SubFolders.size()); }

    double GetFilesSize() const { return FilesSize; }
    void SetFilesSize(double v) { FilesSize = v; }
    double GetSubFoldersSize() const { return SubFoldersSize; }
    void SetSubFoldersSize(double v) { SubFoldersSize = v; }
    void SetIncludeSystemFolders(bool v) { IncludeSystemFolders = v; }

    // Null argument: SizeTreeAssertion(365). Returns the argument's Parent.
    TSizeFolder* ParentOf(const TSizeFolder* folder) const;

    // Reorders folder's direct children: by Path descending / by CumulatedSize ascending.
    void SortByPath(TSizeFolder* folder) const;
    void SortBySize(TSizeFolder* folder) const;

    // The descent (scanner.cpp). Called on the object that supplies IncludeSystemFolders.
    void CreateObjectTree(TSizeFolder* folder);
    void CreateFullObjectTree(TSizeFolder* folder, bool includeSystemFolders);

    TSizeTree* Tree() const { return tree_; }

private:
    TSizeTree* tree_;
    // The full path where it does not follow from the parent's path and Name.
    std::unique_ptr<std::string> ownPath_;
};

// parent + "/" + name, without doubling a separator that parent already ends with.
std::string JoinPath(const std::string& parent, const std::string& name);

class TSizeTree {
public:
    TSizeTree();
    ~TSizeTree();
    TSizeTree(const TSizeTree&) = delete;
    TSizeTree& operator=(const TSizeTree&) = delete;

    std::unique_ptr<TSizeFolder> Root;
    TScanState State;

    // The top folder (Root's sub-folder 0), or null on an empty tree.
    TSizeFolder* Top() const { return Root->SubFolders.empty() ? nullptr : Root->SubFolders[0].get(); }

    // Folder below the top folder whose Path equals path (one trailing '/' removed);
    // the top folder when none matches.
    TSizeFolder* FindFolder(const std::string& path) const;
    int CountFolders(const TSizeFolder* folder) const;

    // Size pass and branch operations (size_pass.cpp).
    bool CalculateSizes();
    void SumBranch(TSizeFolder* folder);
    void AddToAncestors(TSizeFolder* folder);
    void ClearBranch(TSizeFolder* folder);

    // Progress receiver and listing workers used by the scan and the size pass.
    void SetProgressSink(ProgressSink* sink) { sink_ = sink ? sink : &NullProgress(); }
    ProgressSink& Sink() const { return *sink_; }
    // Number of listing workers; 0 = the machine's core count, 1 = serial order.
    void SetThreads(int n) { threads_ = n; }
    int Threads() const;
    // The number as set: 0 lets the listing adapt the count to the machine and the storage.
    int ThreadSetting() const { return threads_; }
    // Whether a file counts with its length (st_size) instead of the space it takes on disk.
    void SetApparentSizes(bool on) { apparent_ = on; }
    bool ApparentSizes() const { return apparent_; }

    // Files with several hard links, counted once per scan: the folder whose FilesSize holds each.
    struct FileKey {
        std::uint64_t device, inode;
        bool operator==(const FileKey&) const = default;
    };
    struct FileKeyHash {
        std::size_t operator()(const FileKey& k) const { return std::hash<std::uint64_t>()(k.inode * 31 + k.device); }
    };
    std::unordered_map<FileKey, TSizeFolder*, FileKeyHash> LinkOwners;

private:
    ProgressSink* sink_;
    int threads_ = 0;
    bool apparent_ = false;
};

// Size in MB of the files directly in a folder (every entry but "." and "..", own sizes,
// links not followed). 0 when the folder cannot be listed.
double FolderFilesSize(const std::string& path);
// The same with the size unit of a tree (apparent sizes or disk usage).
double FolderFilesSize(const std::string& path, bool apparentSizes);
// Directory entries of a folder, "." and ".." included, less one when above one.
int CountFirstLevelFolders(const std::string& path);
// Mount points of the drives that "Scan all" covers, appended to list.
void ListScanDrives(std::vector<std::string>& list);

// Branch refresh, the core half: drops the branch, rescans it with includeSystemFolders,
// sizes it and corrects the ancestors' totals. The caller clears its views first.
void RefreshBranchCore(TSizeTree& tree, TSizeFolder* folder, bool includeSystemFolders);

}  // namespace vantum
