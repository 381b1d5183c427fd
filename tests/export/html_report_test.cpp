// The HTML report: a page that xmllint accepts with every name escaped and every link encoded
// from the raw bytes, the picture folder beside it, and the refusals that keep files safe.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>

#include "export/chart_pictures.h"
#include "export/export_error.h"
#include "export/export_rows.h"
#include "export/html_report.h"
#include "export_fixture.h"
#include "support/temp_dir.h"

namespace vantum::exporting {
namespace {

using test::MakeTree;
using test::PinnedSettings;

bool Exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

ChartPictures SmallPictures() {
    ChartPictures p{QImage(40, 20, QImage::Format_RGB32), QImage(30, 30, QImage::Format_RGB32)};
    p.bar.fill(Qt::red);
    p.pie.fill(Qt::blue);
    return p;
}

TEST(HtmlReport, HostileNamesAreEscapedAndTheLinksEncodedFromTheBytes) {
    test::EnsureApplication();
    TSizeTree tree;
    TSizeFolder* top = MakeTree(tree, "/data/r&d <x>",
                                {{"<script>alert(1)</script>", 1, 0},
                                 {"say \"hi\" & 'bye'", 2, 0},
                                 {"=cmd|' /C calc'!A0", 3, 0},
                                 {"#%? sp", 4, 0},
                                 {"bad\xff", 5, 0},
                                 {"ctl\x01\x1b", 6, 0}});
    ExportSettings s = PinnedSettings();
    s.headerText = QStringLiteral("</title><script>x</script>");
    test::TempDir dir;
    const std::string page = dir / "my report #1.html";
    WriteHtmlReport(BuildExportRows(*top), s, RenderChartPictures(*top, QSize(320, 200)), page);
    const std::string html = test::ReadFile(page);

    const test::ProcessResult lint = test::RunProcess(QStringLiteral("xmllint"),
                                                      {QStringLiteral("--html"), QStringLiteral("--noout"), QString::fromStdString(page)});
    EXPECT_EQ(lint.exitCode, 0);
    EXPECT_EQ(lint.err, "");  // not even a warning
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_EQ(html.find("\x01"), std::string::npos);
    for (const char* piece :
         {"<meta charset=\"utf-8\"><title>&lt;/title&gt;&lt;script&gt;x&lt;/script&gt;</title>",
          "<a href=\"file:///data/r%26d%20%3Cx%3E\">/data/r&amp;d &lt;x&gt;</a>",
          ">&lt;script&gt;alert(1)&lt;/script&gt;</a>", ">say &quot;hi&quot; &amp; &#39;bye&#39;</a>",
          "href=\"file:///data/r%26d%20%3Cx%3E/%23%25%3F%20sp\">#%? sp</a>",
          "href=\"file:///data/r%26d%20%3Cx%3E/bad%FF\">bad\xef\xbf\xbd</a>", ">ctl</a>",
          "<BODY text=#222200 vLink=#660066 aLink=#ff0000 link=#AABB00 bgColor=#C3D7F8>",
          "<A HREF=\"my%20report%20%231_images/Chart.jpg\"><img src=\"my%20report%20%231_images/Chart.jpg\" "
          "width=\"200\" height=\"100\" border=\"2\" alt=\"my report #1_images/Chart.jpg\"></a>",
          "<td><FONT size=4><B>Summary</B></FONT></td>\r\n<td><FONT size=4><B>21.00 MB</B></FONT></td>"})
        EXPECT_NE(html.find(piece), std::string::npos) << piece;
    // Both pictures are real JPEG files of the charts.
    QImage chart(QString::fromStdString(dir / "my report #1_images/Chart.jpg"), "JPG");
    QImage pie(QString::fromStdString(dir / "my report #1_images/Pie.jpg"), "JPG");
    EXPECT_EQ(chart.size(), QSize(320, 200));
    EXPECT_EQ(pie.size(), QSize(320, 200));
}

TEST(HtmlReport, PictureFolderTakesThePageNameWithoutItsExtension) {
    EXPECT_EQ(PictureFolderOf("/r/sizes.html"), "/r/sizes_images");
    EXPECT_EQ(PictureFolderOf("/r/sizes"), "/r/sizes_images");
    EXPECT_EQ(PictureFolderOf("/r.d/sizes"), "/r.d/sizes_images");
    EXPECT_EQ(PictureFolderOf("/r/a.b.htm"), "/r/a.b_images");
}

TEST(HtmlReport, WithoutRowsShowsHeadingsZeroSummaryAndBothPictures) {
    TSizeTree tree;
    TSizeFolder* top = MakeTree(tree, "/empty", {});
    test::TempDir dir;
    // Twice: the second export replaces the page and both pictures.
    for (int i = 0; i < 2; ++i) WriteHtmlReport(BuildExportRows(*top), PinnedSettings(), SmallPictures(), dir / "sizes");
    const std::string html = test::ReadFile(dir / "sizes");
    EXPECT_NE(html.find("<B>Folder Names</B>"), std::string::npos);
    EXPECT_NE(html.find("<B>Summary</B></FONT></td>\r\n<td><FONT size=4><B>0.00 MB</B></FONT></td>\r\n"
                        "<td><FONT size=4><B>0.00 MB</B></FONT></td>"),
              std::string::npos);
    EXPECT_NE(html.find("src=\"sizes_images/Pie.jpg\""), std::string::npos);
    EXPECT_EQ(QImage(QString::fromStdString(dir / "sizes_images/Chart.jpg")).size(), QSize(40, 20));
    EXPECT_EQ(QImage(QString::fromStdString(dir / "sizes_images/Pie.jpg")).size(), QSize(30, 30));
}

TEST(HtmlReport, APictureFolderThatIsAFileOrALinkIsAnErrorAndNothingIsWritten) {
    TSizeTree tree;
    TSizeFolder* top = MakeTree(tree, "/t", {{"a", 1, 0}});
    test::TempDir dir;
    dir.write("file_images", "mine");
    const std::string elsewhere = dir.mkdir("elsewhere");
    ASSERT_EQ(::symlink(elsewhere.c_str(), (dir / "link_images").c_str()), 0);
    for (const char* page : {"file.html", "link.html"}) {
        EXPECT_THROW(WriteHtmlReport(BuildExportRows(*top), PinnedSettings(), SmallPictures(), dir / page), ExportError);
        EXPECT_FALSE(Exists(dir / page)) << page;
    }
    EXPECT_EQ(test::ReadFile(dir / "file_images"), "mine");
    EXPECT_FALSE(Exists(elsewhere + "/Chart.jpg"));
}

TEST(HtmlReport, AnUnwritableTargetIsReported) {
    TSizeTree tree;
    TSizeFolder* top = MakeTree(tree, "/t", {{"a", 1, 0}});
    test::TempDir dir;
    EXPECT_THROW(WriteHtmlReport(BuildExportRows(*top), PinnedSettings(), SmallPictures(), dir / "no/such/page.html"),
                 ExportError);
}

}  // namespace
}  // namespace vantum::exporting
