// The table of settings: complete, consistent, and each reader's default as it should be.
#include "settings/settings_keys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>

using namespace vantum::settings;

namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

TEST(SettingsKeys, EveryKeyOnceWithVariantsOnlyForKnownReaders) {
    std::set<std::pair<std::string, std::string>> seen;
    std::set<std::pair<std::string, std::string>> variants;
    for (const SettingInfo& s : SettingsTable()) {
        auto id = std::make_pair(Lower(s.section), Lower(s.key));
        if (s.readerVariant) {
            EXPECT_TRUE(seen.count(id)) << s.name << " has no base entry before it";
            variants.insert(id);
        } else {
            EXPECT_TRUE(seen.insert(id).second) << s.name << " duplicates " << s.section << "/" << s.key;
        }
    }
    const std::set<std::pair<std::string, std::string>> expectedVariants = {
        {"splash", "show"}, {"explorer", "shredder"}, {"shredder", "shreddercount"}};
    EXPECT_EQ(variants, expectedVariants);
    // Every section that the settings file holds is present.
    std::set<std::string> sections;
    for (const SettingInfo& s : SettingsTable()) sections.insert(std::string(s.section));
    const std::set<std::string> expectedSections = {
        "Splash", "Bounds", "Page", "Switches", "PieForm", "LastDir", "CopyDir", "Explorer",
        "Shredder", "Zip", "SpaceGain", "Calc", "Settings", "Bars", "Folder ranking",
        "Register Extension", "CleanAll", "Colors", "FontSize", "HistoryCombo", "TempListView"};
    EXPECT_EQ(sections, expectedSections);
    EXPECT_EQ(SettingsTable().size(), 48u);
}

TEST(SettingsKeys, ReaderSpecificDefaults) {
    const IniFile empty = IniFile::FromText("");
    EXPECT_FALSE(Read(empty, key::SplashShow));
    EXPECT_TRUE(Read(empty, key::SplashShowInDialog));
    EXPECT_EQ(Read(empty, key::ExplorerShredder), 1);
    EXPECT_EQ(Read(empty, key::ExplorerShredderInDialog), 0);
    EXPECT_EQ(Read(empty, key::ShredderCount), 4);
    EXPECT_EQ(Read(empty, key::ShredderCountInDialog), 34);
    EXPECT_EQ(Read(empty, key::BoundsWidth), 900);
    EXPECT_EQ(Read(empty, key::FolderListLength), 20);
    EXPECT_EQ(Read(empty, key::HtmlBackgroundColor), "c3d7f8");
    EXPECT_EQ(Read(empty, key::CopyDir), "");

    // A stored value is the same value for every reader.
    const IniFile stored = IniFile::FromText("[Explorer]\nShredder=2\n[Shredder]\nShredderCount=7\n");
    EXPECT_EQ(Read(stored, key::ExplorerShredder), 2);
    EXPECT_EQ(Read(stored, key::ExplorerShredderInDialog), 2);
    EXPECT_EQ(Read(stored, key::ShredderCountInDialog), 7);

    EXPECT_EQ(ClampShredderCount(0), 1);
    EXPECT_EQ(ClampShredderCount(-3), 1);
    EXPECT_EQ(ClampShredderCount(17), 17);
    EXPECT_EQ(ClampShredderCount(35), 34);
    EXPECT_EQ(FolderListLengthShown(100), 100);
    EXPECT_EQ(FolderListLengthShown(101), 20);
    EXPECT_EQ(FolderListLengthShown(5), 5);
}

TEST(SettingsKeys, SortModeAnyOtherValueIsUnsorted) {
    struct Case { const char* stored; int mode; };
    for (Case c : {Case{"0", 0}, {"1", 1}, {"2", 2}, {"3", 2}, {"-1", 2}, {"x", 0}}) {
        IniFile ini = IniFile::FromText(std::string("[Switches]\nSort=") + c.stored + "\n");
        EXPECT_EQ(SortModeFromStored(Read(ini, key::Sort)), c.mode) << c.stored;
    }
}

TEST(SettingsKeys, EveryEntryWritesAndReadsBack) {
    // A value unlike the default, in the form the file holds.
    auto other = [](const SettingInfo& s) -> std::string {
        if (s.type == SettingType::Text) return "/some/value";
        if (s.type == SettingType::Int) return "77";
        return s.defaultText == "1" ? "0" : "1";
    };
    IniFile ini = IniFile::FromText("");
    for (const SettingInfo& s : SettingsTable()) {
        if (s.readerVariant) continue;
        ASSERT_TRUE(ini.WriteString(s.section, s.key, other(s))) << s.name;
    }
    IniFile back = IniFile::FromText(ini.Text());
    for (const SettingInfo& s : SettingsTable()) {
        if (s.readerVariant) continue;
        EXPECT_EQ(back.ReadString(s.section, s.key), other(s)) << s.name;
    }
    EXPECT_EQ(Read(back, key::BoundsWidth), 77);
    EXPECT_FALSE(Read(back, key::ShowDirTree));
    EXPECT_TRUE(Read(back, key::FreeSpace));
    EXPECT_EQ(Read(back, key::LastDir), "/some/value");
}

}  // namespace
