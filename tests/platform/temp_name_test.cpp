#include "platform/temp_name.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "support/temp_dir.h"

namespace vantum::platform {
namespace {

std::string BaseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

TEST(TempNameBeside, ShortNamesKeepTheWholeName) {
    EXPECT_EQ(TempNameBeside("/tmp", "a.vtr", ".tmp1-0"), "/tmp/.a.vtr.tmp1-0");
    EXPECT_EQ(TempNameBeside("/", "a.ini", ".XXXXXX"), "/.a.ini.XXXXXX");
    EXPECT_EQ(TempNameBeside("", "a.reg", ".t"), "./.a.reg.t");
}

// A target name that already uses every byte the file system allows still gets a temporary
// name that the file system takes, cut before a character and never inside one.
TEST(TempNameBeside, LongNamesAreCutToTheLimitAndCanBeCreated) {
    test::TempDir dir;
    std::string utf8;
    for (int i = 0; i < 127; ++i) utf8 += "\xc3\xa9";  // é, 254 bytes
    const struct {
        std::string name, suffix;
    } cases[] = {
        {std::string(251, 'n') + ".vtr", ".tmp123456-7"},
        {std::string(NAME_MAX, 'n'), ".XXXXXX"},
        {utf8, ".XXXXXX"},
        {"x" + utf8, ".XXXXXX"},
    };
    for (const auto& c : cases) {
        ASSERT_LE(c.name.size(), static_cast<size_t>(NAME_MAX));
        const std::string temp = TempNameBeside(dir.path(), c.name, c.suffix);
        const std::string base = BaseName(temp);
        EXPECT_LE(base.size(), static_cast<size_t>(NAME_MAX)) << c.name;
        EXPECT_GE(base.size(), static_cast<size_t>(NAME_MAX) - 1) << "only a split character is dropped";
        EXPECT_EQ(base.substr(base.size() - c.suffix.size()), c.suffix);
        const std::string kept = base.substr(1, base.size() - 1 - c.suffix.size());
        EXPECT_EQ(c.name.compare(0, kept.size(), kept), 0);
        EXPECT_NE(static_cast<unsigned char>(kept.back()), 0xc3) << "no lead byte without its tail";
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        EXPECT_GE(fd, 0) << temp;
        if (fd >= 0) {
            ::close(fd);
            ::unlink(temp.c_str());
        }
    }
}

}  // namespace
}  // namespace vantum::platform
