#include "platform/registry_store.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "support/temp_dir.h"

namespace vantum::platform {
namespace {

using test::ReadFile;
using test::TempDir;
namespace fs = std::filesystem;

constexpr RegRoot kCU = RegRoot::CurrentUser;

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(RegistryRoots, SevenNamesBothWays) {
    const char* names[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                           "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};
    for (int i = 0; i < kRegRootCount; ++i) {
        EXPECT_EQ(RootName(static_cast<RegRoot>(i)), names[i]);
        EXPECT_EQ(RootFromName(names[i]), static_cast<RegRoot>(i));
    }
    EXPECT_EQ(RootName(static_cast<RegRoot>(7)), "");
    EXPECT_FALSE(RootFromName("HKCU"));
    EXPECT_FALSE(RootFromName("hkey_current_user"));
}

TEST(RegistryStore, EveryValueTypeSurvivesTheFileInCreationOrder) {
    TempDir dir;
    const std::string awkward = std::string("a\0b%20 \"\\\r\n\t\xff\xfe end", 19);
    std::vector<RegValue> values = {
        RegValue::String("zeta", "plain"),
        RegValue::String("", "default value"),
        RegValue::ExpandString("Path", "%HOME%\\bin"),
        RegValue::Dword("count", 0xFFFFFFFFu),
        RegValue::Binary("blob", awkward),
        RegValue::Binary("empty blob", ""),
        RegValue::MultiString("list", {"one", "", awkward}),
        RegValue::MultiString("no strings", {}),
        RegValue::Other("qword", 11, std::string("\x01\0\0\0\0\0\0\0", 8)),
        RegValue::String(awkward, awkward),
    };
    {
        FileRegistryStore store(dir.path());
        ASSERT_TRUE(store.CreateKey(kCU, "Software\\Zed"));
        ASSERT_TRUE(store.CreateKey(kCU, "Software\\Alpha\\Deep"));
        ASSERT_TRUE(store.CreateKey(RegRoot::LocalMachine, "System"));
        for (const auto& v : values) ASSERT_TRUE(store.SetValue(kCU, "Software\\Zed", v)) << v.name;
        ASSERT_TRUE(store.WriteString(kCU, "", "at root", "r"));
    }
    FileRegistryStore reopened(dir / std::string(FileRegistryStore::kFileName));
    auto zed = reopened.OpenKey(kCU, "Software\\Zed");
    ASSERT_TRUE(zed);
    EXPECT_EQ(zed->values, values);
    auto software = reopened.OpenKey(kCU, "Software");
    ASSERT_TRUE(software);
    EXPECT_EQ(software->subKeys, (std::vector<std::string>{"Zed", "Alpha"}));
    EXPECT_TRUE(reopened.KeyExists(kCU, "Software\\Alpha\\Deep"));
    EXPECT_TRUE(reopened.KeyExists(RegRoot::LocalMachine, "System"));
    EXPECT_FALSE(reopened.KeyExists(RegRoot::Users, "System"));
    EXPECT_EQ(reopened.OpenKey(kCU, "")->values, (std::vector<RegValue>{RegValue::String("at root", "r")}));
    // Only the store file is left behind (and the writers' lock), no temporary files.
    EXPECT_EQ(FolderEntries(dir.path()), (std::vector<std::string>{"registry.vreg", "registry.vreg.lock"}));
}

TEST(RegistryStore, KeyAndValueOperations) {
    MemoryRegistry reg;
    // Opening does not create.
    EXPECT_FALSE(reg.OpenKey(kCU, "Software\\X"));
    EXPECT_FALSE(reg.KeyExists(kCU, "Software"));
    EXPECT_FALSE(reg.SetValue(kCU, "Software\\X", RegValue::String("a", "b")));

    ASSERT_TRUE(reg.CreateKey(kCU, "Software\\X\\Y"));
    ASSERT_TRUE(reg.CreateKey(kCU, "software\\x"));  // exists already, in any case
    EXPECT_EQ(reg.OpenKey(kCU, "SOFTWARE")->subKeys, std::vector<std::string>{"X"});
    for (const char* bad : {"a\\\\b", "\\a", "a\\"}) {
        EXPECT_FALSE(reg.CreateKey(kCU, bad)) << bad;
        EXPECT_FALSE(reg.OpenKey(kCU, bad)) << bad;
    }

    ASSERT_TRUE(reg.WriteString(kCU, "Software\\X", "First", "1"));
    ASSERT_TRUE(reg.WriteString(kCU, "Software\\X", "second", "2"));
    ASSERT_TRUE(reg.SetValue(kCU, "Software\\X", RegValue::Dword("FIRST", 7)));  // replaces in place
    auto x = reg.OpenKey(kCU, "Software\\X");
    ASSERT_EQ(x->values.size(), 2u);
    EXPECT_EQ(x->values[0], RegValue::Dword("First", 7));
    EXPECT_EQ(x->subKeys, std::vector<std::string>{"Y"});

    EXPECT_TRUE(reg.DeleteValue(kCU, "Software\\X", "first"));
    EXPECT_FALSE(reg.DeleteValue(kCU, "Software\\X", "first"));
    EXPECT_FALSE(reg.DeleteValue(kCU, "Software\\Missing", "second"));
    EXPECT_EQ(reg.OpenKey(kCU, "Software\\X")->values, (std::vector<RegValue>{RegValue::String("second", "2")}));

    EXPECT_FALSE(reg.DeleteKey(kCU, ""));  // a root stays
    EXPECT_FALSE(reg.DeleteKey(kCU, "Software\\Missing"));
    EXPECT_TRUE(reg.DeleteKey(kCU, "software\\X"));  // with its sub-key Y
    EXPECT_FALSE(reg.KeyExists(kCU, "Software\\X\\Y"));
    EXPECT_TRUE(reg.KeyExists(kCU, "Software"));
}

std::string DeepKey(size_t levels) {
    std::string key = "k";
    for (size_t i = 1; i < levels; ++i) key += "\\k";
    return key;
}

TEST(RegistryStore, DeepKeysAreBoundedWithAReason) {
    TempDir dir;
    FileRegistryStore store(dir.path());
    ASSERT_TRUE(store.CreateKey(kCU, DeepKey(kRegMaxKeyDepth)));
    ASSERT_TRUE(store.WriteString(kCU, DeepKey(kRegMaxKeyDepth), "v", "deep"));
    const auto sizeAtLimit = fs::file_size(store.FilePath());
    EXPECT_LT(sizeAtLimit, 600'000u);  // a key path per line: ~2 bytes per level, squared

    for (size_t levels : {kRegMaxKeyDepth + 1, size_t{10'000}, size_t{20'000}}) {
        EXPECT_FALSE(store.CreateKey(kCU, DeepKey(levels))) << levels;
        EXPECT_NE(store.LastError().find("at most 512 levels"), std::string::npos) << store.LastError();
    }
    EXPECT_EQ(fs::file_size(store.FilePath()), sizeAtLimit);

    // The file form reads back, and a hand-made file beyond the bound is refused, not followed.
    FileRegistryStore again(store.FilePath());
    EXPECT_EQ(again.OpenKey(kCU, DeepKey(kRegMaxKeyDepth))->values, (std::vector<RegValue>{RegValue::String("v", "deep")}));
    std::string error;
    EXPECT_FALSE(ParseRegistry("vantum-registry 1\nK HKEY_CURRENT_USER " + DeepKey(20'000) + "\n", &error));
    EXPECT_NE(error.find("levels deep"), std::string::npos) << error;

    // A store file too large to hold a registry within bounds is not read, and never written.
    fs::resize_file(store.FilePath(), 3 * std::uint64_t{kRegMaxBytes} + (2u << 20));
    FileRegistryStore huge(store.FilePath());
    EXPECT_FALSE(huge.KeyExists(kCU, "k"));
    EXPECT_FALSE(huge.CreateKey(kCU, "x"));
    EXPECT_NE(huge.LastError().find("larger than a registry may grow"), std::string::npos) << huge.LastError();

    MemoryRegistry reg;
    EXPECT_FALSE(reg.CreateKey(kCU, std::string(kRegMaxKeyNameBytes + 1, 'n')));
    EXPECT_NE(reg.LastError().find("255"), std::string::npos);
    EXPECT_TRUE(reg.CreateKey(kCU, std::string(kRegMaxKeyNameBytes, 'n')));
}

TEST(RegistryStore, SizeIsBoundedAndTrackedThroughEdits) {
    MemoryRegistry reg;
    ASSERT_TRUE(reg.CreateKey(kCU, "Big"));
    const std::string half(kRegMaxBytes / 2, 'x');
    ASSERT_TRUE(reg.SetValue(kCU, "Big", RegValue::Binary("a", half)));
    EXPECT_FALSE(reg.SetValue(kCU, "Big", RegValue::Binary("b", half)));
    EXPECT_NE(reg.LastError().find("64 MB"), std::string::npos);
    EXPECT_EQ(reg.OpenKey(kCU, "Big")->values.size(), 1u);
    // Replacing, deleting a value and deleting a key give their room back.
    ASSERT_TRUE(reg.SetValue(kCU, "big", RegValue::Binary("A", "small")));
    EXPECT_TRUE(reg.SetValue(kCU, "Big", RegValue::Binary("b", half)));
    EXPECT_TRUE(reg.DeleteValue(kCU, "Big", "B"));
    EXPECT_TRUE(reg.SetValue(kCU, "Big", RegValue::Binary("c", half)));
    const size_t before = reg.Bytes();
    ASSERT_TRUE(reg.CreateKey(kCU, "Tree\\Sub\\Leaf"));
    ASSERT_TRUE(reg.WriteString(kCU, "Tree\\Sub", "v", "text"));
    EXPECT_TRUE(reg.DeleteKey(kCU, "TREE"));
    EXPECT_EQ(reg.Bytes(), before);
}

TEST(RegistryStore, ManyValuesAndKeysKeepOrderIndexAndFileForm) {
    constexpr int kCount = 100'000;
    MemoryRegistry reg;
    ASSERT_TRUE(reg.CreateKey(kCU, "Many"));
    for (int i = 0; i < kCount; ++i) {
        ASSERT_TRUE(reg.WriteString(kCU, "Many", "Value" + std::to_string(i), "x"));
        ASSERT_TRUE(reg.CreateKey(kCU, "Keys\\K" + std::to_string(i)));
    }
    // Deleting from the middle renumbers what follows: later names are still found.
    ASSERT_TRUE(reg.DeleteValue(kCU, "Many", "VALUE10"));
    ASSERT_TRUE(reg.DeleteKey(kCU, "Keys\\k10"));
    ASSERT_TRUE(reg.SetValue(kCU, "Many", RegValue::Dword("value99999", 5)));
    EXPECT_FALSE(reg.DeleteValue(kCU, "Many", "Value10"));
    EXPECT_TRUE(reg.KeyExists(kCU, "keys\\K99999"));

    std::string error;
    auto back = ParseRegistry(SerializeRegistry(reg), &error);
    ASSERT_TRUE(back) << error;
    auto many = back->OpenKey(kCU, "Many");
    ASSERT_EQ(many->values.size(), size_t{kCount - 1});
    EXPECT_EQ(many->values[10].name, "Value11");
    EXPECT_EQ(many->values.back(), RegValue::Dword("Value99999", 5));
    auto keys = back->OpenKey(kCU, "Keys");
    ASSERT_EQ(keys->subKeys.size(), size_t{kCount - 1});
    EXPECT_EQ(keys->subKeys[10], "K11");
    EXPECT_EQ(back->Bytes(), reg.Bytes());
}

TEST(RegistryStore, UpdateKeepsAllOrNothing) {
    TempDir dir;
    FileRegistryStore store(dir.path());
    ASSERT_TRUE(store.WriteString(kCU, "", "keep", "me"));
    std::string before = ReadFile(store.FilePath());
    EXPECT_FALSE(store.Update([](RegistryStore& s) {
        s.CreateKey(kCU, "New");
        s.DeleteValue(kCU, "", "keep");
        return false;
    }));
    EXPECT_EQ(ReadFile(store.FilePath()), before);
    EXPECT_FALSE(store.KeyExists(kCU, "New"));
    EXPECT_TRUE(store.Update([](RegistryStore& s) { return s.CreateKey(kCU, "New") && s.DeleteValue(kCU, "", "keep"); }));
    FileRegistryStore other(dir.path());
    EXPECT_TRUE(other.KeyExists(kCU, "New"));
    EXPECT_TRUE(other.OpenKey(kCU, "")->values.empty());
}

TEST(RegistryStore, SeesChangesOfAnotherWriter) {
    TempDir dir;
    FileRegistryStore a(dir.path()), b(dir.path());
    EXPECT_FALSE(a.KeyExists(kCU, "K"));
    ASSERT_TRUE(b.CreateKey(kCU, "K"));
    EXPECT_TRUE(a.KeyExists(kCU, "K"));
    ASSERT_TRUE(a.WriteString(kCU, "K", "v", "from a"));  // a does not overwrite b's key
    EXPECT_EQ(b.OpenKey(kCU, "K")->values.size(), 1u);
}

TEST(RegistryStore, DamagedFileIsNeverOverwritten) {
    TempDir dir;
    for (const std::string& damaged :
         {std::string("something else\n"), std::string("vantum-registry 1\nK HKEY_CURRENT_USER a\nV sz x"),
          std::string("vantum-registry 1\nV sz x y\n"), std::string("vantum-registry 1\nK HKEY_NOWHERE a\n"),
          std::string("vantum-registry 1\nK HKEY_CURRENT_USER a\nV dword x 4294967296\n"),
          std::string("vantum-registry 1\nK HKEY_CURRENT_USER a\nV multi_sz x 2 one\n"),
          std::string("vantum-registry 1\nK HKEY_CURRENT_USER a\nV sz x bad%2\n"), std::string()}) {
        std::string file = dir.write("registry.vreg", damaged);
        FileRegistryStore store(dir.path());
        EXPECT_NE(store.LastError().find("damaged"), std::string::npos) << damaged;  // known before any change
        EXPECT_FALSE(store.KeyExists(kCU, "a")) << damaged;
        EXPECT_FALSE(store.CreateKey(kCU, "b")) << damaged;
        EXPECT_NE(store.LastError().find("damaged"), std::string::npos) << store.LastError();
        EXPECT_EQ(ReadFile(file), damaged);
    }
}

TEST(RegistryStore, FailedSaveChangesNothing) {
    TempDir dir;
    std::string notAFolder = dir.write("plain", "x");
    FileRegistryStore store(notAFolder + "/registry.vreg");
    EXPECT_FALSE(store.CreateKey(kCU, "K"));
    EXPECT_NE(store.LastError().find("Cannot write the registry file"), std::string::npos) << store.LastError();
    EXPECT_FALSE(store.KeyExists(kCU, "K"));
    EXPECT_EQ(ReadFile(notAFolder), "x");
}

TEST(RegistryStore, SavesToTheLongestFileName) {
    TempDir dir;
    const std::string file = dir / (std::string(NAME_MAX - 5, 'n') + ".vreg");
    FileRegistryStore store(file);
    ASSERT_TRUE(store.CreateKey(kCU, "K")) << store.LastError();
    EXPECT_TRUE(FileRegistryStore(file).KeyExists(kCU, "K"));
    EXPECT_EQ(FolderEntries(dir.path()).size(), 1u);
}

TEST(RegistryStore, MissingFolderIsCreatedByTheFirstChange) {
    TempDir dir;
    FileRegistryStore store(dir / "new/sub/store.vreg");
    EXPECT_FALSE(store.KeyExists(kCU, "K"));
    EXPECT_FALSE(fs::exists(dir / "new"));  // reading creates nothing
    ASSERT_TRUE(store.CreateKey(kCU, "K"));
    EXPECT_TRUE(FileRegistryStore(dir / "new/sub/store.vreg").KeyExists(kCU, "K"));
}

}  // namespace
}  // namespace vantum::platform
