// vantum-cli export: the writers from a saved tree or a scanned folder, and its refusals.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "export_fixture.h"
#include "support/temp_dir.h"

namespace vantum::test {
namespace {

ProcessResult Cli(const QStringList& args) { return RunProcess(QStringLiteral(VANTUM_CLI_PATH), args); }

QString Q(const std::string& s) { return QString::fromStdString(s); }

TEST(CliExport, ExportsAFolderOfASavedTreeAndAScannedFolder) {
    TempDir dir;
    dir.write("tree/big/a", std::string(300000, 'x'));
    dir.write("tree/big/inner/b", std::string(5000, 'y'));
    dir.write("tree/small/c", "z");
    const std::string vtr = dir / "t.vtr";
    ASSERT_EQ(Cli({"scan", Q(dir / "tree"), "--save", Q(vtr)}).exitCode, 0);

    ProcessResult r = Cli({"export", Q(vtr), "--format", "csv", "-o", Q(dir / "big.csv"), "--folder", Q(dir / "tree/big/")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string csv = ReadFile(dir / "big.csv");
    EXPECT_NE(csv.find("\r\n" + dir / "tree/big" + "\r\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\r\ninner;"), std::string::npos) << csv;

    r = Cli({"export", Q(dir / "tree"), "--format", "html", "-o", Q(dir / "report.html"), "--sort", "size"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string html = ReadFile(dir / "report.html");
    // Size order: the smaller folder first.
    EXPECT_LT(html.find(">small</a>"), html.find(">big</a>"));
    struct stat st;
    EXPECT_EQ(::stat((dir / "report_images/Chart.jpg").c_str(), &st), 0);
    EXPECT_EQ(::stat((dir / "report_images/Pie.jpg").c_str(), &st), 0);
}

TEST(CliExport, RefusesBadInputWithAClearMessage) {
    TempDir dir;
    dir.mkdir("tree/a");
    struct Case {
        QStringList args;
        int code;
        const char* message;
    } cases[] = {
        {{"export", Q(dir / "tree"), "--format", "pdf", "-o", Q(dir / "x")}, 2, "unknown format"},
        {{"export", Q(dir / "tree"), "--format", "csv", "--delimiter", ":", "-o", Q(dir / "x")}, 2, "CSV delimiter"},
        {{"export", Q(dir / "nothing"), "--format", "csv", "-o", Q(dir / "x")}, 2, "does not exist"},
        {{"export", Q(dir / "tree"), "--format", "csv", "-o", Q(dir / "x"), "--folder", "/elsewhere"}, 2, "no folder"},
        {{"export", Q(dir / "tree"), "--format", "text", "-o", Q(dir / "no/x.txt")}, 1, "no/x.txt"},
        {{"export", Q(dir / "tree"), "--format", "csv"}, 2, "usage"},
    };
    for (const Case& c : cases) {
        const ProcessResult r = Cli(c.args);
        EXPECT_EQ(r.exitCode, c.code) << c.args.join(' ').toStdString();
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    EXPECT_NE(::access((dir / "x").c_str(), F_OK), 0);
}

}  // namespace
}  // namespace vantum::test
