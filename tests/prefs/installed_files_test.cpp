#include <gtest/gtest.h>

#include <string>

#include "prefs/file_types.h"
#include "support/temp_dir.h"

using namespace vantum::prefs;

// The installed desktop entry and MIME package are the ones registration writes for the user.
TEST(InstalledFiles, MatchWhatRegistrationWrites) {
    // VANTUM_TEST_DATA is <source>/tests/data.
    std::string source = VANTUM_TEST_DATA;
    source.erase(source.rfind("/tests/data"));
    const std::string data = source + "/data/";
    EXPECT_EQ(vantum::test::ReadFile(data + "vantum.desktop"), DesktopEntryText("vantum"));
    EXPECT_EQ(vantum::test::ReadFile(data + "vantum-mime.xml"), MimePackageXml());
}
