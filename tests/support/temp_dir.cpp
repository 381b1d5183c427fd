#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace vantum::test {

TempDir::TempDir() {
    std::string tmpl = (fs::temp_directory_path() / "vantum-test-XXXXXX").string();
    char* made = ::mkdtemp(tmpl.data());
    if (!made) {
        ADD_FAILURE() << "mkdtemp failed";
        return;
    }
    path_ = made;
}

TempDir::~TempDir() {
    if (path_.empty()) return;
    std::error_code ec;
    // Restore permissions that a test may have taken away so that removal succeeds.
    for (auto it = fs::recursive_directory_iterator(path_, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(path_, ec);
}

std::string TempDir::mkdir(const std::string& rel) const {
    std::string p = *this / rel;
    std::error_code ec;
    fs::create_directories(p, ec);
    EXPECT_FALSE(ec) << "mkdir " << p << ": " << ec.message();
    return p;
}

std::string TempDir::write(const std::string& rel, const std::string& content) const {
    std::string p = *this / rel;
    std::error_code ec;
    fs::create_directories(fs::path(p).parent_path(), ec);
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << content;
    EXPECT_TRUE(out.good()) << "write " << p;
    return p;
}

std::string TempDir::sparse(const std::string& rel, std::uint64_t size) const {
    std::string p = write(rel, "");
    std::error_code ec;
    fs::resize_file(p, size, ec);
    EXPECT_FALSE(ec) << "resize " << p << ": " << ec.message();
    return p;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace vantum::test
