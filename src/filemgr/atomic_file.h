#pragma once
// Writing a file so that its final name only ever holds a complete file: the data go to a
// hidden temporary file in the same folder, which replaces (or takes) the final name at the end.
#include <string>

namespace vantum {

// rename(2) that never replaces an existing entry: fails with EEXIST instead.
// Returns 0 or an errno value.
int RenameNoReplace(const std::string& from, const std::string& to);
// The same relative to a folder descriptor (both names in that folder).
int RenameNoReplaceAt(int dirfd, const std::string& from, const std::string& to);

// Flushes a file's data and its folder entry to the device. Returns 0 or an errno value.
int SyncPath(const std::string& path);

class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile();  // removes the temporary file unless committed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file beside target (mode 0666 less the umask).
    // Returns 0 or an errno value.
    int Create(const std::string& target);
    int fd() const { return fd_; }

    // Closes the file and moves it to the target name. With replace == false an existing
    // target is kept and EEXIST returned. Returns 0 or an errno value; on failure the
    // temporary file is removed.
    int Commit(bool replace);
    // Closes and removes the temporary file.
    void Discard();

private:
    std::string target_;
    std::string temp_;
    int fd_ = -1;
};

}  // namespace vantum
