#include "filemgr/atomic_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace vantum {
namespace {

using test::ReadFile;
using test::TempDir;

int Entries(const std::string& folder) {
    return static_cast<int>(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()));
}

// A target whose name uses every byte the file system allows is written, kept or replaced as
// asked; the temporary file never outlives the commit.
TEST(AtomicFile, WritesToTheLongestFileName) {
    TempDir dir;
    const std::string target = dir / (std::string(NAME_MAX - 4, 'n') + ".lec");
    auto write = [&](const std::string& text, bool replace) {
        AtomicFile f;
        if (int err = f.Create(target)) return err;
        if (::write(f.fd(), text.data(), text.size()) != static_cast<ssize_t>(text.size())) return errno;
        return f.Commit(replace);
    };
    EXPECT_EQ(write("first", false), 0);
    EXPECT_EQ(ReadFile(target), "first");
    EXPECT_EQ(write("second", false), EEXIST);
    EXPECT_EQ(ReadFile(target), "first");
    EXPECT_EQ(write("third", true), 0);
    EXPECT_EQ(ReadFile(target), "third");
    EXPECT_EQ(Entries(dir.path()), 1);
}

}  // namespace
}  // namespace vantum
