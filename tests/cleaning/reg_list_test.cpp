#include "cleaning/reg_list.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "cleaning/reg_export.h"
#include "support/temp_dir.h"

namespace vantum::cleaning {
namespace {

using platform::FileRegistryStore;
using platform::RegRoot;
using platform::RegValue;
using test::ReadFile;
using test::TempDir;
namespace fs = std::filesystem;

constexpr RegRoot kCU = RegRoot::CurrentUser;
const std::string kMedia = "Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList";
const std::string kTyped = "Software\\Microsoft\\Internet Explorer\\TypedURLs";

TEST(RegistryKeyList, RowsDeleteAndAddWithoutStraySubKeys) {
    TempDir dir;
    FileRegistryStore store(dir.path());
    ASSERT_TRUE(store.CreateKey(kCU, kTyped));
    ASSERT_TRUE(store.WriteString(kCU, kTyped, "url1", "https://typed.example"));
    RegistryKeyList media(store, kCU, kMedia);
    // A missing key is an empty list (never another key's values), and adding to it fails.
    EXPECT_TRUE(media.Rows().empty());
    std::string error;
    EXPECT_FALSE(media.Add("File0", "/m/a.mp3", &error));
    EXPECT_NE(error.find("does not exist"), std::string::npos);

    ASSERT_TRUE(store.CreateKey(kCU, kMedia));
    ASSERT_TRUE(store.SetValue(kCU, kMedia, RegValue::Dword("Count", 26)));
    ASSERT_TRUE(store.SetValue(kCU, kMedia, RegValue::Binary("Blob", std::string("\x01\xff", 2))));
    ASSERT_TRUE(media.Add("File0", "/m/a.mp3", &error)) << error;
    ASSERT_TRUE(media.Add("File1", "/m/b.mp3", &error)) << error;
    EXPECT_TRUE(store.OpenKey(kCU, kMedia)->subKeys.empty());
    auto rows = media.Rows();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].data, "26");
    EXPECT_EQ(rows[1].data, "01 FF");
    EXPECT_EQ(rows[3].name, "File1");

    EXPECT_EQ(media.Delete({"file0", "Count", "missing"}), 2u);
    EXPECT_EQ(media.Rows().size(), 2u);
    EXPECT_EQ(store.OpenKey(kCU, kTyped)->values.size(), 1u);
}

TEST(RegistryKeyList, UniqueBackupsAndRestoresLimitedToTheKey) {
    TempDir dir;
    FileRegistryStore store(dir / "store");
    ASSERT_TRUE(store.CreateKey(kCU, kMedia));
    ASSERT_TRUE(store.WriteString(kCU, kMedia, "File0", "/m/a.mp3"));
    RegistryKeyList media(store, kCU, kMedia);
    std::string first, second, error;
    ASSERT_TRUE(media.Backup(dir / "Media", &first, &error)) << error;
    ASSERT_TRUE(media.Backup(dir / "Media", &second, &error)) << error;
    EXPECT_NE(first, second);
    EXPECT_EQ(ReadFile(first), FormatRegistryExport(store, kCU, kMedia));
    EXPECT_EQ(ReadFile(second), ReadFile(first));

    media.Delete({"File0"});
    auto plan = media.PlanRestore(first, &error);
    ASSERT_TRUE(plan) << error;
    ASSERT_EQ(plan->size(), 1u);
    ASSERT_TRUE(media.Restore(*plan, &error)) << error;
    EXPECT_EQ(media.Rows().at(0).data, "/m/a.mp3");

    const std::string before = ReadFile(store.FilePath());
    for (const std::string& text :
         {"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" + kMedia + "]\r\n\"x\"=\"y\"\r\n\r\n[HKEY_CURRENT_USER\\Software\\Run]\r\n",
          "REGEDIT4\r\n\r\n[-HKEY_CURRENT_USER\\" + kMedia + "]\r\n",
          "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\" + kMedia + "]\r\n\"x\"=\"y\"\r\n"}) {
        EXPECT_FALSE(media.PlanRestore(dir.write("other.reg", text), &error)) << text;
        EXPECT_NE(error.find("nothing is restored"), std::string::npos) << error;
    }
    EXPECT_EQ(ReadFile(store.FilePath()), before);
}

}  // namespace
}  // namespace vantum::cleaning
