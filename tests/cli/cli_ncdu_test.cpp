#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "cli/cli_shell.h"
#include "support/temp_dir.h"

using namespace vantum::test;

TEST(CliNcdu, ScanExportsWhatShowReadsFromStandardInput) {
    TempDir d;
    d.write("top/a/f", std::string(9000, 'a'));
    d.write("top/b/g", std::string(100, 'b'));
    Result scan = Shell(Cli() + " scan '" + d / "top" + "' --ncdu-json '" + d / "top.json" + "'");
    ASSERT_EQ(scan.code, 0) << scan.out;
    EXPECT_NE(scan.out.find("Exported to"), std::string::npos);
    const std::string bytes = Field(scan.out, "Bytes: ");
    ASSERT_FALSE(bytes.empty());

    Result file = Shell(Cli() + " show '" + d / "top.json" + "'");
    ASSERT_EQ(file.code, 0) << file.out;
    EXPECT_EQ(Field(file.out, "Bytes: "), bytes);
    // "-" on both ends: the export on standard output, the summary then on standard error.
    Result piped = Shell(Cli() + " scan '" + d / "top" + "' --ncdu-json - 2>/dev/null | " + Cli() + " show - --top 1");
    ASSERT_EQ(piped.code, 0) << piped.out;
    EXPECT_EQ(Field(piped.out, "Bytes: "), bytes);
    EXPECT_NE(piped.out.find("Folders: 2"), std::string::npos) << piped.out;
}

TEST(CliNcdu, ShowReadsNcduOutputAndEscapesNames) {
    TempDir d;
    const std::string json = "[1,2,{},[{\"name\":\"/srv\",\"dsize\":4096},"
                             "[{\"name\":\"evil\\u001b[31m\",\"dsize\":8192}]]]";
    std::ofstream(d / "evil.json") << json;
    Result r = Shell(Cli() + " show '" + d / "evil.json" + "'");
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(r.out.find('\x1b'), std::string::npos) << "no raw escape byte reaches the terminal";
    EXPECT_NE(r.out.find("evil\\x1b[31m"), std::string::npos) << r.out;
    EXPECT_EQ(Field(r.out, "Bytes: "), "12288");

    std::ofstream(d / "cut.json") << json.substr(0, 50);
    Result bad = Shell(Cli() + " show '" + d / "cut.json" + "'");
    EXPECT_EQ(bad.code, 1);
    EXPECT_NE(bad.out.find("ncdu JSON, byte 50: unexpected end"), std::string::npos) << bad.out;

    Result real = Shell("ncdu --ignore-config -x -o- '" + d.path() + "' | " + Cli() + " show -");
    ASSERT_EQ(real.code, 0) << real.out;
    Result du = Shell("du -sx -B1 '" + d.path() + "' | cut -f1");
    EXPECT_EQ(Field(real.out, "Bytes: ") + "\n", du.out);
}

TEST(CliNcdu, DiffListsGrowthAndShrinkAsTextAndJson) {
    TempDir d;
    d.write("top/logs/l", std::string(50000, 'l'));
    d.write("top/cache/c", std::string(20000, 'c'));
    d.write("top/keep/k", "k");
    ASSERT_EQ(Shell(Cli() + " scan '" + d / "top" + "' --save '" + d / "old.vtr" + "'").code, 0);

    Result same = Shell(Cli() + " diff '" + d / "old.vtr" + "' '" + d / "top" + "'");
    ASSERT_EQ(same.code, 0) << same.out;
    EXPECT_NE(same.out.find("No folder changed"), std::string::npos) << same.out;

    d.write("top/logs/l2", std::string(300000, 'l'));
    std::filesystem::remove_all(d / "top/cache");
    d.write("top/new/n", std::string(40000, 'n'));
    Result text = Shell(Cli() + " diff '" + d / "old.vtr" + "' '" + d / "top" + "' --top 2");
    ASSERT_EQ(text.code, 0) << text.out;
    EXPECT_NE(text.out.find("Grew most:"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("/top/logs\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("/top/cache  (gone)"), std::string::npos) << text.out;
    EXPECT_EQ(text.out.find("/top/new  (new)"), std::string::npos) << "--top 2: the top and logs grew more";

    Result json = Shell(Cli() + " diff '" + d / "old.vtr" + "' '" + d / "top" + "' --json --min 30k", false);
    ASSERT_EQ(json.code, 0) << json.out;
    Result check = Shell("printf '%s' '" + json.out +
                         "' | python3 -c 'import json,sys; d=json.load(sys.stdin);"
                         " print(sorted((c[\"path\"].rsplit(\"/\",1)[1], c[\"status\"]) for c in d[\"grew\"]+d[\"shrank\"]));"
                         " print(d[\"change\"] == d[\"new\"][\"bytes\"] - d[\"old\"][\"bytes\"])'");
    ASSERT_EQ(check.code, 0) << json.out << check.out;
    EXPECT_EQ(check.out, "[('logs', 'changed'), ('new', 'new'), ('top', 'changed')]\nTrue\n") << json.out;
}

TEST(CliNcdu, DiffRefusesBadArguments) {
    TempDir d;
    const std::string cases[] = {"", "'" + d.path() + "'", "a b c", "a b --top x", "a b --min 5Q", "a b --bogus", "- -"};
    for (const std::string& c : cases) {
        Result r = Shell(Cli() + " diff " + c);
        EXPECT_EQ(r.code, 2) << c << "\n" << r.out;
    }
    Result missing = Shell(Cli() + " diff '" + d / "no.json" + "' '" + d.path() + "'");
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.out.find("no.json"), std::string::npos) << missing.out;
}
