#pragma once
// The file layer under the program's own files: errors that name the file and the reason, a
// writer that replaces a file only once the new content is complete, and a bounded reader.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace vantum {

// what() is the text the user sees: "Cannot open file \"F\". Reason", "Cannot create file
// \"F\". Reason", "Stream read error" or "Stream write error".
class FileError : public std::runtime_error {
public:
    enum class Kind { Open, Create, Read, Write };
    FileError(Kind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
    Kind kind() const { return kind_; }

    static FileError CannotOpen(const std::string& file, const std::string& reason);
    static FileError CannotCreate(const std::string& file, const std::string& reason);
    static FileError StreamRead();
    static FileError StreamWrite();

private:
    Kind kind_;
};

// Writes to a temporary file in the target's folder; Commit() makes it the target in one
// rename. Until then, and when anything fails, an existing target stays as it was.
// A symbolic link as target is followed, so the link survives and its file is replaced.
// An existing target without write permission (for anyone) is refused, also for root.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(const std::string& target);  // FileError CannotCreate
    ~AtomicFileWriter();                                   // removes an uncommitted temporary
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void Write(const void* data, std::size_t size);  // buffered; FileError StreamWrite
    void Write(const std::string& s) { Write(s.data(), s.size()); }
    // Flushes, syncs, closes and renames over the target. StreamWrite when the data cannot
    // be stored, CannotCreate when the rename is refused.
    void Commit();

private:
    void Flush();
    void Discard();

    std::string target_;  // the name given, for messages
    std::string final_;   // where the rename goes (links resolved)
    std::string temp_;
    int fd_ = -1;
    std::vector<char> buf_;
    std::size_t used_ = 0;
};

// Reads a regular file front to back through a buffer, knowing how much is left.
// While it is open others may read the file; a shared lock asks cooperating writers to wait.
class BoundedFileReader {
public:
    explicit BoundedFileReader(const std::string& file);  // FileError CannotOpen
    ~BoundedFileReader();
    BoundedFileReader(const BoundedFileReader&) = delete;
    BoundedFileReader& operator=(const BoundedFileReader&) = delete;

    std::uint64_t Size() const { return size_; }
    std::uint64_t Remaining() const { return size_ - pos_; }
    // Exactly size bytes, or StreamRead when fewer are left or the read fails.
    void Read(void* data, std::size_t size);

private:
    void Fill();

    int fd_ = -1;
    std::uint64_t size_ = 0;
    std::uint64_t pos_ = 0;  // bytes handed out
    std::vector<char> buf_;
    std::size_t bufPos_ = 0, bufEnd_ = 0;
};

}  // namespace vantum
