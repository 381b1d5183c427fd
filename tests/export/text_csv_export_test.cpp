// The text and CSV writers: byte-exact files, RFC 4180 fields read back by Python's csv,
// locales, delimiters and write failures.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "export/csv_export.h"
#include "export/export_error.h"
#include "export/export_rows.h"
#include "export/text_export.h"
#include "export_fixture.h"
#include "support/temp_dir.h"

namespace vantum::exporting {
namespace {

using test::Child;
using test::MakeTree;
using test::PinnedSettings;

// Three fields padded to 50, 25, 25 (ASCII only), each led by a blank, then CR LF.
std::string Cols(const std::string& a, const std::string& b, const std::string& c) {
    auto pad = [](const std::string& s, size_t w) { return " " + s + std::string(w - s.size(), ' '); };
    return pad(a, 50) + pad(b, 25) + pad(c, 25) + "\r\n";
}

struct Fixture {
    TSizeTree tree;
    TSizeFolder* top = MakeTree(tree, "/data/top",
                                {{"beta", 0, 0}, {"alpha", 1.5, 1233}, {std::string(60, 'n'), 0.25, 0}});
    ExportRows rows = BuildExportRows(*top);
};

TEST(TextExport, WritesTheFixedWidthLayoutByteForByte) {
    Fixture f;
    const std::string expected = Cols("Vantum folder size", "  ", "Tue, 05 Mar 24") + " \r\n" +
                                 " /data/top\r\n" + " \r\n" +
                                 Cols("Folder Name", "Size of files / MB", "Cumulated size / MB") + " \r\n" +
                                 Cols("beta", "0.00 MB", "0.00 MB") + Cols("alpha", "1.50 MB", "1,234.50 MB") +
                                 Cols(std::string(50, 'n'), "0.25 MB", "0.25 MB") + " \r\n" +
                                 Cols(std::string(49, '-'), std::string(24, '-'), std::string(24, '-')) +
                                 Cols("Summary:", "1.75 MB", "1,234.75 MB");
    test::TempDir dir;
    WriteTextExport(f.rows, PinnedSettings(), dir / "sizes.txt");
    EXPECT_EQ(test::ReadFile(dir / "sizes.txt"), expected);
}

TEST(TextExport, CountsCharactersNotBytesAndKeepsEachRowOnOneLine) {
    TSizeTree tree;
    // 60 two-byte characters, a name with a line break, a byte that is not UTF-8.
    std::string umlauts;
    for (int i = 0; i < 60; ++i) umlauts += "\xc3\xa4";
    TSizeFolder* top = MakeTree(tree, "/t", {{umlauts, 0, 0}, {"two\nlines", 0, 0}, {"bad\xff", 0, 0}});
    const std::string text = TextExport(BuildExportRows(*top), PinnedSettings());
    std::string cut;
    for (int i = 0; i < 50; ++i) cut += "\xc3\xa4";
    EXPECT_NE(text.find("\r\n " + cut + " 0.00 MB"), std::string::npos);
    EXPECT_NE(text.find("\r\n two?lines" + std::string(41, ' ') + " 0.00 MB"), std::string::npos);
    EXPECT_NE(text.find("\r\n bad\xff" + std::string(46, ' ') + " 0.00 MB"), std::string::npos);
}

TEST(CsvExport, WritesTheLinesOfTheFormat) {
    Fixture f;
    ExportSettings s = PinnedSettings();
    EXPECT_EQ(CsvExport(f.rows, s),
              "Vantum folder size;;Tue, 05 Mar 24\r\n \r\n/data/top\r\n \r\n"
              "Folder Name;Size of files / MB;Cumulated size / MB\r\n"
              "beta;0.00 MB;0.00 MB\r\nalpha;1.50 MB;1,234.50 MB\r\n" +
                  std::string(60, 'n') + ";0.25 MB;0.25 MB\r\n \r\nSummary;1.75 MB;1,234.75 MB\r\n");
    // With a comma as delimiter the thousands separator no longer splits the number.
    s.csvDelimiter = QStringLiteral(",");
    EXPECT_NE(CsvExport(f.rows, s).find("alpha,1.50 MB,\"1,234.50 MB\"\r\n"), std::string::npos);
}

TEST(CsvExport, WithoutRowsWritesHeaderAndZeroSummary) {
    TSizeTree tree;
    TSizeFolder* top = MakeTree(tree, "/empty", {});
    const std::string csv = CsvExport(BuildExportRows(*top), PinnedSettings());
    EXPECT_EQ(csv.substr(csv.find("Folder Name")),
              "Folder Name;Size of files / MB;Cumulated size / MB\r\n \r\nSummary;0.00 MB;0.00 MB\r\n");
}

TEST(CsvExport, PythonsCsvReadsBackEveryNameAndNumber) {
    const std::vector<std::string> names = {"say \"hi\"",          "a,b",   "a;b",  "=cmd|' /C calc'!A0",
                                            "+1",                  "-1",    "@SUM", "<script>alert(1)</script>",
                                            "two\r\nlines",        "\tTab", "#%?",  "bad\xff\xfe",
                                            "Tom & Jerry's 'dir'", "|pipe"};
    // A spreadsheet must not take a formula from a name: those get a leading quote.
    auto expectedName = [](const std::string& n) {
        return std::string("=+-@\t\r").find(n[0]) != std::string::npos ? "'" + n : n;
    };
    for (const char* delimiter : {",", ";", "\t", "|"}) {
        SCOPED_TRACE(delimiter);
        TSizeTree tree;
        std::vector<Child> children;
        for (size_t i = 0; i < names.size(); ++i) children.push_back({names[i], 1000.0 * static_cast<double>(i), 0.5});
        TSizeFolder* top = MakeTree(tree, "/data/a,b;c", children);
        ExportSettings s = PinnedSettings();
        s.csvDelimiter = QString::fromLatin1(delimiter);
        s.headerText = QStringLiteral("=HYPERLINK(\"x\")");
        test::TempDir dir;
        WriteCsvExport(BuildExportRows(*top), s, dir / "out.csv");
        // One field per line, rows joined by a blank line; bytes kept through surrogateescape.
        const test::ProcessResult r = test::RunPython(
            "import csv,sys\n"
            "rows=list(csv.reader(open(sys.argv[1],newline='',encoding='utf-8',errors='surrogateescape'),"
            "delimiter=sys.argv[2]))\n"
            "out=sys.stdout.buffer\n"
            "for row in rows:\n"
            "  out.write(b'\\x00'.join(f.encode('utf-8','surrogateescape') for f in row)+b'\\x01')\n",
            {QString::fromStdString(dir / "out.csv"), QString::fromLatin1(delimiter)});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        std::vector<std::vector<std::string>> rows;
        size_t start = 0;
        for (size_t end; (end = r.out.find('\x01', start)) != std::string::npos; start = end + 1) {
            std::vector<std::string> fields;
            std::string line = r.out.substr(start, end - start);
            for (size_t a = 0, b;; a = b + 1) {
                b = line.find('\0', a);
                fields.push_back(line.substr(a, b == std::string::npos ? b : b - a));
                if (b == std::string::npos) break;
            }
            rows.push_back(fields);
        }
        ASSERT_EQ(rows.size(), 7 + names.size());
        EXPECT_EQ(rows[0], (std::vector<std::string>{"'=HYPERLINK(\"x\")", "", "Tue, 05 Mar 24"}));
        EXPECT_EQ(rows[2], (std::vector<std::string>{"/data/a,b;c"}));
        for (size_t i = 0; i < names.size(); ++i) {
            const std::string thousands = i == 0 ? "0" : std::to_string(i) + ",000";
            EXPECT_EQ(rows[5 + i], (std::vector<std::string>{expectedName(names[i]), thousands + ".00 MB",
                                                             thousands + ".50 MB"}));
        }
        EXPECT_EQ(rows.back()[0], "Summary");
    }
}

TEST(CsvExport, RefusesDelimitersThatBreakTheFileAndWritesNothing) {
    Fixture f;
    test::TempDir dir;
    for (const char* d : {"", ":", ";;", "\"", "a"}) {
        ExportSettings s = PinnedSettings();
        s.csvDelimiter = QString::fromLatin1(d);
        EXPECT_THROW(WriteCsvExport(f.rows, s, dir / "out.csv"), ExportError) << d;
    }
    struct stat st;
    EXPECT_NE(::stat((dir / "out.csv").c_str(), &st), 0);
}

TEST(ExportTexts, NumbersAndDatesFollowTheLocale) {
    struct Case {
        QLocale locale;
        const char* number;
        const char* date;
    } cases[] = {
        {QLocale::c(), "1,234,567.50 MB", "Tue, 05 Mar 24"},
        {QLocale(QLocale::English, QLocale::UnitedStates), "1,234,567.50 MB", "Tue, 05 Mar 24"},
        {QLocale(QLocale::German, QLocale::Germany), "1.234.567,50 MB", "Di., 05 M\u00e4rz 24"},
    };
    TSizeTree tree;
    TSizeFolder* top = MakeTree(tree, "/t", {{"big", 1234567.5, 0}});
    for (const Case& c : cases) {
        ExportSettings s = PinnedSettings();
        s.locale = c.locale;
        s.csvDelimiter = QStringLiteral(",");
        const std::string csv = CsvExport(BuildExportRows(*top), s);
        EXPECT_NE(csv.find("big,\"" + std::string(c.number) + "\","), std::string::npos) << csv;
        EXPECT_EQ(csv.substr(0, csv.find("\r\n")), "Vantum folder size,,\"" + std::string(c.date) + "\"");
    }
}

TEST(ExportFiles, AFailedWriteIsReportedWithTheNameAndKeepsTheOldFile) {
    Fixture f;
    test::TempDir dir;
    try {
        WriteTextExport(f.rows, PinnedSettings(), dir / "missing/sizes.txt");
        FAIL() << "no error";
    } catch (const ExportError& e) {
        EXPECT_NE(std::string(e.what()).find("missing/sizes.txt"), std::string::npos) << e.what();
    }
    const std::string old = dir.write("old.csv", "old content");
    ::chmod(old.c_str(), 0444);  // refused even for root
    EXPECT_THROW(WriteCsvExport(f.rows, PinnedSettings(), old), ExportError);
    EXPECT_EQ(test::ReadFile(old), "old content");
}

}  // namespace
}  // namespace vantum::exporting
