// The protected-path rule, on temporary roots (the tests run as root, so nothing else stops
// a deletion) and on this system's own roots.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/protected_paths.h"
#include "support/temp_dir.h"

namespace {

using vantum::platform::ProtectedPaths;
using vantum::test::TempDir;

TEST(ProtectedPaths, RootsAndTheirAncestorsHoweverSpelled) {
    TempDir dir;
    dir.mkdir("sys/home/user/Documents");
    dir.mkdir("other/free");
    ASSERT_EQ(symlink((dir / "sys/home").c_str(), (dir / "alias").c_str()), 0);
    const ProtectedPaths rule({dir / "sys/home/user", dir / "sys/home/user/Documents"});
    struct Case {
        std::string path;
        bool isProtected;
    };
    const Case cases[] = {
        {dir / "sys/home/user", true},
        {dir / "sys/home/user/", true},
        {dir / "sys/home", true},                       // an ancestor
        {dir.path(), true},
        {"/", true},
        {dir / "other/../sys/home/user", true},
        {dir / "sys/home/user/./Documents/.", true},
        {dir / "alias/user", true},                     // through a link to a folder above it
        {dir / "sys/home/user/Documents/report", false},
        {dir / "other/free", false},
        {dir / "other", false},
        {dir / "alias", false},                         // the link itself is what would go
        {dir / "sys/home/user2", false},
    };
    for (const auto& c : cases) EXPECT_EQ(rule.IsProtected(c.path), c.isProtected) << c.path;
}

TEST(ProtectedPaths, ThisSystemProtectsItsFoldersAndTheUsers) {
    const ProtectedPaths rule = ProtectedPaths::ForThisSystem();
    const std::string home = std::getenv("HOME");
    for (const std::string& p : std::vector<std::string>{"/", "/usr", "/etc/", "/proc", "/home", home, home + "/.config", home + "/.local/share",
                                home + "/.local", "/usr/../etc"})
        EXPECT_TRUE(rule.IsProtected(p)) << p;
    TempDir dir;
    EXPECT_FALSE(rule.IsProtected(dir.mkdir("mine")));
    EXPECT_FALSE(rule.IsProtected(home + "/.config/vantum"));
}

}  // namespace
