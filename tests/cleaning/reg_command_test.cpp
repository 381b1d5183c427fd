// vantum-cli reg-import and reg-export on a real store file.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/temp_dir.h"

namespace {

using vantum::test::ReadFile;
using vantum::test::TempDir;

int Cli(const std::string& args, const std::string& errFile) {
    std::string cmd = std::string(VANTUM_CLI_PATH) + " " + args + " 2> '" + errFile + "'";
    int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

TEST(RegCommands, ImportThenExportGivesTheFileBack) {
    TempDir dir;
    const std::string reg =
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\T]\r\n@=\"d\"\r\n\"n\"=dword:0000001A\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\T\\Sub]\r\n\"b\"=hex:01,02\r\n";
    std::string in = dir.write("in.reg", reg);
    std::string store = dir.mkdir("appdata");
    std::string err = dir / "err.txt";
    ASSERT_EQ(Cli("reg-import '" + store + "' '" + in + "'", err), 0) << ReadFile(err);
    ASSERT_EQ(Cli("reg-export '" + store + "' 'HKEY_CURRENT_USER\\Software\\T' '" + (dir / "out.reg") + "'", err), 0)
        << ReadFile(err);
    EXPECT_EQ(ReadFile(dir / "out.reg"), reg);

    std::string bad = dir.write("bad.reg", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\X]\r\n\"a\"=\"unterminated\r\n");
    EXPECT_EQ(Cli("reg-import '" + store + "' '" + bad + "'", err), 1);
    EXPECT_NE(ReadFile(err).find("nothing was imported"), std::string::npos) << ReadFile(err);
    EXPECT_EQ(Cli("reg-export '" + store + "' 'HKCU\\Software' '" + (dir / "x.reg") + "'", err), 2);
    EXPECT_NE(ReadFile(err).find("unknown root key"), std::string::npos) << ReadFile(err);
}

}  // namespace
