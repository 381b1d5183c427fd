#include "cleaning/reg_export.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "support/temp_dir.h"

namespace vantum::cleaning {
namespace {

using platform::MemoryRegistry;
using platform::RegRoot;
using platform::RegValue;
using test::ReadFile;
using test::TempDir;

std::string Bytes(int n) {
    std::string b;
    for (int i = 0; i < n; ++i) b += static_cast<char>(i);
    return b;
}

TEST(EscapeRegText, DoublesBackslashesAndEscapesQuotes) {
    EXPECT_EQ(EscapeRegText(""), "");
    EXPECT_EQ(EscapeRegText("C:\\a"), "C:\\\\a");
    EXPECT_EQ(EscapeRegText("say \"hi\""), "say \\\"hi\\\"");
    EXPECT_EQ(EscapeRegText("\\\""), "\\\\\\\"");
    EXPECT_EQ(EscapeRegText("caf\xc3\xa9\r\n"), "caf\xc3\xa9\r\n");
}

TEST(ExportRegistryKey, ValuesOfEveryTypeThenSubKeysDepthFirst) {
    MemoryRegistry reg;
    const RegRoot cu = RegRoot::CurrentUser;
    ASSERT_TRUE(reg.CreateKey(cu, "Software\\Test\\B\\Deep"));
    ASSERT_TRUE(reg.CreateKey(cu, "Software\\Test\\A"));
    reg.SetValue(cu, "Software\\Test", RegValue::String("", "default"));
    reg.SetValue(cu, "Software\\Test", RegValue::String("path", "C:\\a"));
    reg.SetValue(cu, "Software\\Test", RegValue::String("quote", "a\"b"));
    reg.SetValue(cu, "Software\\Test", RegValue::Dword("number", 26));
    reg.SetValue(cu, "Software\\Test", RegValue::Binary("bin", Bytes(30)));
    reg.SetValue(cu, "Software\\Test\\B", RegValue::ExpandString("exp", "%PATH%"));
    reg.SetValue(cu, "Software\\Test\\B", RegValue::MultiString("multi", {"x", "y"}));
    reg.SetValue(cu, "Software\\Test\\B", RegValue::Other("q", 11, "12345678"));
    reg.SetValue(cu, "Software\\Test\\B\\Deep", RegValue::Binary("empty", ""));
    reg.SetValue(cu, "Software\\Test\\A", RegValue::Dword("max", 0xFFFFFFFF));

    const std::string expected =
        "REGEDIT4\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\Test]\r\n"
        "@=\"default\"\r\n"
        "\"path\"=\"C:\\\\a\"\r\n"
        "\"quote\"=\"a\\\"b\"\r\n"
        "\"number\"=dword:0000001A\r\n"
        "\"bin\"=hex:00,01,02,03,04,05,06,07,08,09,0A,0B,0C,0D,0E,0F,10,11,12,13,14,15,16,17,18,19,\\\r\n"
        "1A,1B,1C,1D\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\Test\\B]\r\n"
        "\"exp\"=\"%PATH%\"\r\n"
        "\"multi\"=\"\"\r\n"
        "\"q\"=\"\"\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\Test\\B\\Deep]\r\n"
        "\"empty\"=hex:\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\Test\\A]\r\n"
        "\"max\"=dword:FFFFFFFF\r\n";
    EXPECT_EQ(FormatRegistryExport(reg, cu, "Software\\Test"), expected);
    // One trailing backslash of the key path is dropped.
    EXPECT_EQ(FormatRegistryExport(reg, cu, "Software\\Test\\"), expected);
}

TEST(ExportRegistryKey, BinaryLineBreaksAfterEveryTwentyFifthByte) {
    struct Case {
        int size;
        std::vector<int> lineLengths;  // bytes on each line
    } cases[] = {{1, {1}}, {26, {26}}, {27, {26, 1}}, {51, {26, 25}}, {52, {26, 25, 1}}, {76, {26, 25, 25}}};
    for (const auto& c : cases) {
        MemoryRegistry reg;
        reg.CreateKey(RegRoot::LocalMachine, "K");
        reg.SetValue(RegRoot::LocalMachine, "K", RegValue::Binary("b", Bytes(c.size)));
        std::string text = FormatRegistryExport(reg, RegRoot::LocalMachine, "K");
        std::string data = text.substr(text.find("\"b\"=hex:") + 8);
        std::vector<int> lengths;
        size_t pos = 0;
        while (pos < data.size()) {
            size_t end = data.find("\r\n", pos);
            std::string line = data.substr(pos, end - pos);
            bool continued = line.size() >= 2 && line.compare(line.size() - 2, 2, ",\\") == 0;
            if (continued) line.resize(line.size() - 2);
            EXPECT_EQ(line.size() % 3, 2u) << c.size << ": " << line;
            lengths.push_back(static_cast<int>(line.size() + 1) / 3);
            EXPECT_EQ(continued, end + 2 < data.size()) << c.size;
            pos = end + 2;
        }
        EXPECT_EQ(lengths, c.lineLengths) << c.size;
    }
}

TEST(ExportRegistryKey, MissingKeyGetsItsHeaderOnly) {
    MemoryRegistry reg;
    EXPECT_EQ(FormatRegistryExport(reg, RegRoot::CurrentUser, "Software\\Nothing\\"),
              "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Nothing]\r\n");
    // A root outside the seven has an empty name.
    EXPECT_EQ(FormatRegistryExport(reg, static_cast<RegRoot>(42), "X"), "REGEDIT4\r\n\r\n[\\X]\r\n");
}

TEST(ExportRegistryKey, WritesTheFileAndLeavesNothingElse) {
    TempDir dir;
    MemoryRegistry reg;
    reg.CreateKey(RegRoot::CurrentUser, "K");
    reg.WriteString(RegRoot::CurrentUser, "K", "a", "b");
    std::string file = dir / "backup_01_02__03_04.reg";
    dir.write("backup_01_02__03_04.reg", "older backup, replaced");
    ASSERT_TRUE(ExportRegistryKey(reg, RegRoot::CurrentUser, "K", file));
    EXPECT_EQ(ReadFile(file), FormatRegistryExport(reg, RegRoot::CurrentUser, "K"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);

    EXPECT_FALSE(ExportRegistryKey(reg, RegRoot::CurrentUser, "K", dir / "missing/folder/x.reg"));
    dir.mkdir("a folder.reg");
    EXPECT_FALSE(ExportRegistryKey(reg, RegRoot::CurrentUser, "K", dir / "a folder.reg"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "a folder.reg"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 2);
}

// The temporary file beside the target must fit the file-name limit too.
TEST(ExportRegistryKey, WritesToTheLongestFileName) {
    TempDir dir;
    MemoryRegistry reg;
    reg.CreateKey(RegRoot::CurrentUser, "K");
    const std::string file = dir / (std::string(NAME_MAX - 4, 'n') + ".reg");
    ASSERT_TRUE(ExportRegistryKey(reg, RegRoot::CurrentUser, "K", file));
    EXPECT_EQ(ReadFile(file), FormatRegistryExport(reg, RegRoot::CurrentUser, "K"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
}

}  // namespace
}  // namespace vantum::cleaning
