#include "cleaning/reg_import.h"

#include <gtest/gtest.h>

#include "cleaning/reg_export.h"
#include "support/temp_dir.h"

namespace vantum::cleaning {
namespace {

using platform::FileRegistryStore;
using platform::MemoryRegistry;
using platform::RegRoot;
using platform::RegValue;
using test::ReadFile;
using test::TempDir;

constexpr RegRoot kCU = RegRoot::CurrentUser;

MemoryRegistry Imported(const std::string& text) {
    MemoryRegistry reg;
    std::string error;
    auto keys = ParseRegedit4(text, &error);
    EXPECT_TRUE(keys) << error;
    if (keys) {
        EXPECT_TRUE(ApplyRegedit4(reg, *keys, &error)) << error;
    }
    return reg;
}

TEST(ImportRegedit4, ExportedFileGivesTheSameStore) {
    MemoryRegistry reg;
    ASSERT_TRUE(reg.CreateKey(kCU, "Software\\App\\Sub\\Deeper"));
    ASSERT_TRUE(reg.CreateKey(kCU, "Software\\App\\Empty"));
    std::string bytes;
    for (int i = 0; i < 80; ++i) bytes += static_cast<char>(i * 7);
    std::vector<RegValue> values = {
        RegValue::String("", "default"),
        RegValue::String("path", "C:\\a\\"),
        RegValue::String("quote", "\"quoted\" \\\""),
        RegValue::String("lines", "one\r\ntwo\nthree"),
        RegValue::String("=;[odd name]\"\\", "=\"\""),
        RegValue::String("non-utf8 \xff\xfe", "\x80\x81"),
        RegValue::Dword("number", 26),
        RegValue::Dword("zero", 0),
        RegValue::Binary("bin", bytes),
        RegValue::Binary("empty", ""),
    };
    for (const auto& v : values) ASSERT_TRUE(reg.SetValue(kCU, "Software\\App", v));
    ASSERT_TRUE(reg.WriteString(kCU, "Software\\App\\Sub\\Deeper", "x", "y"));

    std::string exported = FormatRegistryExport(reg, kCU, "Software\\App");
    MemoryRegistry back = Imported(exported);
    EXPECT_EQ(back.OpenKey(kCU, "Software\\App")->values, values);
    EXPECT_EQ(back.OpenKey(kCU, "Software\\App")->subKeys, (std::vector<std::string>{"Sub", "Empty"}));
    EXPECT_TRUE(back.KeyExists(kCU, "Software\\App\\Empty"));
    EXPECT_EQ(FormatRegistryExport(back, kCU, "Software\\App"), exported);

    // The root itself, exported and imported.
    std::string whole = FormatRegistryExport(reg, kCU, "");
    EXPECT_EQ(whole.substr(0, 36), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\]\r\n\r\n");
    EXPECT_EQ(FormatRegistryExport(Imported(whole), kCU, ""), whole);
}

TEST(ImportRegedit4, HandWrittenForms) {
    MemoryRegistry reg;
    ASSERT_TRUE(reg.CreateKey(kCU, "Gone\\Child"));
    ASSERT_TRUE(reg.CreateKey(kCU, "software\\kept"));
    ASSERT_TRUE(reg.WriteString(kCU, "Software\\Kept", "old", "value"));
    ASSERT_TRUE(reg.WriteString(kCU, "Software\\Kept", "stays", "here"));
    std::string text =
        "REGEDIT4\n"
        "; a comment\n"
        "\n"
        "[HKEY_CURRENT_USER\\Software\\Kept]   \n"
        "\"old\"=-\n"
        "\"new\" = \"v\"\n"
        "\"exp\"=hex(2):25,48,4f,4d,45,25,00\n"
        "\"multi\"=hex(7):61,00,62,63,00,00\n"
        "\"nomulti\"=hex(7):00\n"
        "\"qword\"=hex(b):01,00,00,00,\\\n"
        "      00,00,00,00\n"
        "\"dw\"=hex(4):1a,00,00,00\n"
        "\"short\"=dword:1a\n"
        "[-HKEY_CURRENT_USER\\Gone]\n"
        "[-HKEY_CURRENT_USER\\Never\\There]\n";
    std::string error;
    auto keys = ParseRegedit4(text, &error);
    ASSERT_TRUE(keys) << error;
    ASSERT_TRUE(ApplyRegedit4(reg, *keys, &error)) << error;
    EXPECT_FALSE(reg.KeyExists(kCU, "Gone"));
    EXPECT_EQ(reg.OpenKey(kCU, "Software\\Kept")->values,
              (std::vector<RegValue>{
                  RegValue::String("stays", "here"),
                  RegValue::String("new", "v"),
                  RegValue::ExpandString("exp", "%HOME%"),
                  RegValue::MultiString("multi", {"a", "bc"}),
                  RegValue::MultiString("nomulti", {}),
                  RegValue::Other("qword", 11, std::string("\x01\0\0\0\0\0\0\0", 8)),
                  RegValue::Dword("dw", 26),
                  RegValue::Dword("short", 26),
              }));
}

TEST(ImportRegedit4, MalformedFilesAreRefusedNamingTheLine) {
    const std::string head = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n";
    struct Case {
        std::string text;
        int line;
    } cases[] = {
        {"", 1},
        {"REGEDIT5\r\n", 1},
        {"Windows Registry Editor Version 5.00\r\n", 1},
        {"\x7f" "ELF\x02\x01\x01\0\0\0\r\n", 1},
        {"REGEDIT4\r\n\"a\"=\"b\"\r\n", 2},
        {head + "\"a\"=\"b", 4},                    // cut off inside a text
        {head + "\"a\"=\"b\"", 4},                  // cut off before the line end
        {head + "\"a\"=hex:01,02,\\\r\n", 5},       // cut off after a continuation
        {head + "\"a\"=\"b\r\n", 5},                // a text never closed
        {head + "\"a\"=\"C:\\a\"\r\n", 4},          // unescaped backslash
        {head + "\"a\"=dword:123456789\r\n", 4},
        {head + "\"a\"=dword:\r\n", 4},
        {head + "\"a\"=dword:12 34\r\n", 4},
        {head + "\"a\"=hex:0g\r\n", 4},
        {head + "\"a\"=hex:01,,02\r\n", 4},
        {head + "\"a\"=hex(zz):01\r\n", 4},
        {head + "\"a\"=string\r\n", 4},
        {head + "\"a\"\"b\"\r\n", 4},
        {head + "a=\"b\"\r\n", 4},
        {head + "[HKEY_CURRENT_USER\\L\r\n", 4},
        {head + "[HKCU\\L]\r\n", 4},
        {head + "[HKEY_CURRENT_USER\\L\\\\M]\r\n", 4},
        {head + "[-HKEY_CURRENT_USER]\r\n", 4},
        {head + "\"a\"=\"b\"\r\n\r\n\"c\"=hex:01,\\\r\nzz\r\n", 7},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseRegedit4(c.text, &error)) << c.text;
        EXPECT_EQ(error.rfind("line " + std::to_string(c.line) + ": ", 0), 0u) << c.text << " -> " << error;
    }
}

TEST(ImportRegistryFile, ImportsNothingFromABadFile) {
    TempDir dir;
    FileRegistryStore store(dir.path());
    ASSERT_TRUE(store.CreateKey(kCU, "Before"));
    std::string storeBefore = ReadFile(store.FilePath());
    // The first key block is fine; the fault is further down.
    std::string bad = dir.write("bad.reg",
                                "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\New]\r\n\"a\"=\"b\"\r\n\r\n[-HKEY_CURRENT_USER\\Before]\r\n"
                                "\"x\"=junk\r\n");
    std::string error;
    EXPECT_FALSE(ImportRegistryFile(store, bad, &error));
    EXPECT_NE(error.find("nothing was imported"), std::string::npos) << error;
    EXPECT_NE(error.find("line 7"), std::string::npos) << error;
    EXPECT_EQ(ReadFile(store.FilePath()), storeBefore);

    EXPECT_FALSE(ImportRegistryFile(store, dir / "missing.reg", &error));
    EXPECT_NE(error.find("Cannot open"), std::string::npos) << error;
    EXPECT_FALSE(ImportRegistryFile(store, dir.path(), &error));
    EXPECT_NE(error.find("is not a file"), std::string::npos) << error;

    std::string good = dir.write("good.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\New]\r\n\"a\"=\"b\"\r\n");
    ASSERT_TRUE(ImportRegistryFile(store, good, &error)) << error;
    EXPECT_EQ(FileRegistryStore(dir.path()).OpenKey(RegRoot::LocalMachine, "New")->values,
              std::vector<RegValue>{RegValue::String("a", "b")});
    EXPECT_TRUE(store.KeyExists(kCU, "Before"));
}

TEST(ImportRegistryFile, DeepAndLargeFilesAreRefusedOrImportedWhole) {
    TempDir dir;
    FileRegistryStore store(dir.path());
    ASSERT_TRUE(store.CreateKey(kCU, "Before"));
    const std::string storeBefore = ReadFile(store.FilePath());
    for (size_t levels : {size_t{10'000}, size_t{20'000}}) {
        std::string key = "HKEY_CURRENT_USER";
        for (size_t i = 0; i < levels; ++i) key += "\\k";
        std::string file = dir.write("deep.reg", "REGEDIT4\r\n\r\n[" + key + "]\r\n\"a\"=\"b\"\r\n");
        std::string error;
        EXPECT_FALSE(ImportRegistryFile(store, file, &error));
        EXPECT_NE(error.find("at most 512 levels"), std::string::npos) << error;
        EXPECT_LT(error.size(), 400u);
        EXPECT_EQ(ReadFile(store.FilePath()), storeBefore);
    }

    // 100 000 values in one key and 100 000 sub-keys of one key, in one file.
    std::string text = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Many]\r\n";
    for (int i = 0; i < 100'000; ++i) text += "\"v" + std::to_string(i) + "\"=dword:00000001\r\n";
    for (int i = 0; i < 100'000; ++i) text += "\r\n[HKEY_CURRENT_USER\\Keys\\k" + std::to_string(i) + "]\r\n";
    std::string error;
    ASSERT_TRUE(ImportRegistryFile(store, dir.write("many.reg", text), &error)) << error;
    FileRegistryStore back(dir.path());
    EXPECT_EQ(back.OpenKey(kCU, "Many")->values.size(), 100'000u);
    EXPECT_EQ(back.OpenKey(kCU, "Keys")->subKeys.size(), 100'000u);
    EXPECT_EQ(FormatRegistryExport(back, kCU, "Many").size(), FormatRegistryExport(store, kCU, "Many").size());
}

}  // namespace
}  // namespace vantum::cleaning
