#pragma once
// A temporary folder for one test, removed with everything in it when the test ends.
#include <cstdint>
#include <string>

namespace vantum::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // Path of a name below the folder ("a/b" allowed).
    std::string operator/(const std::string& rel) const { return path_ + "/" + rel; }

    // Creation helpers; parents are created as needed. They fail the test on error.
    std::string mkdir(const std::string& rel) const;
    std::string write(const std::string& rel, const std::string& content) const;
    // A sparse file of the given apparent size.
    std::string sparse(const std::string& rel, std::uint64_t size) const;

private:
    std::string path_;
};

// Reads a whole file; empty when it cannot be read.
std::string ReadFile(const std::string& path);

}  // namespace vantum::test
