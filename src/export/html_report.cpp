#include "export/html_report.h"

#include <sys/stat.h>

#include <QBuffer>
#include <QByteArray>
#include <cerrno>
#include <cstring>

#include "export/export_error.h"
#include "export/export_texts.h"
#include "export/output_file.h"

namespace vantum::exporting {
namespace {

QString Hex6(const QColor& c) {
    return QStringLiteral("%1%2%3")
        .arg(c.red(), 2, 16, QLatin1Char('0'))
        .arg(c.green(), 2, 16, QLatin1Char('0'))
        .arg(c.blue(), 2, 16, QLatin1Char('0'))
        .toUpper();
}

QString Escaped(const std::string& bytes) { return HtmlEscape(DisplayText(bytes)); }

QString PictureLink(const std::string& folderName, const char* picture) {
    const std::string rel = folderName + "/" + picture;
    const QString url = QString::fromLatin1(QByteArray::fromStdString(rel).toPercentEncoding("/"));
    const QString alt = Escaped(rel);
    return QStringLiteral("<A HREF=\"%1\"><img src=\"%1\" width=\"200\" height=\"100\" border=\"2\" alt=\"%2\"></a>")
        .arg(url, alt);
}

QByteArray Jpeg(const QImage& image, const std::string& name) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPG")) throw ExportError("Cannot encode the picture \"" + name + "\" as JPEG");
    return data;
}

}  // namespace

std::string PictureFolderOf(const std::string& page) {
    const size_t slash = page.rfind('/');
    const size_t dot = page.rfind('.');
    const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExt ? page.substr(0, dot) : page) + "_images";
}

QString HtmlEscape(const QString& text) {
    QString out;
    out.reserve(text.size() + 8);
    for (QChar c : text) {
        switch (c.unicode()) {
        case '&': out += QLatin1String("&amp;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        case '"': out += QLatin1String("&quot;"); break;
        case '\'': out += QLatin1String("&#39;"); break;
        default:
            if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F)) break;
            out += c;
        }
    }
    return out;
}

QString FileUrl(const std::string& path) {
    return QStringLiteral("file://") + QString::fromLatin1(QByteArray::fromStdString(path).toPercentEncoding("/"));
}

std::string HtmlReport(const ExportRows& rows, const ExportSettings& s, const std::string& pictureFolderName) {
    const QString header = HtmlEscape(s.headerText);
    const QString S = HtmlEscape(s.bodyFontSize), H = HtmlEscape(s.headFontSize);
    const QLocale& loc = s.locale;
    QString page;
    page.reserve(static_cast<qsizetype>(300 * rows.rows.size() + 2000));
    auto line = [&](const QString& l) {
        page += l;
        page += QLatin1String("\r\n");
    };
    auto cell = [&](const QString& x) { return QStringLiteral("<td><FONT size=%1>%2</FONT></td>").arg(S, x); };
    auto boldCell = [&](const QString& x) { return cell(QStringLiteral("<B>") + x + QStringLiteral("</B>")); };

    line(QStringLiteral("<!DOCTYPE html>"));
    line(QStringLiteral("<html><head><meta charset=\"utf-8\"><title>") + header + QStringLiteral("</title></head>"));
    line(QStringLiteral("<BODY text=#%1 vLink=#660066 aLink=#ff0000 link=#%2 bgColor=#%3>")
             .arg(Hex6(s.textColour), Hex6(s.linkColour), Hex6(s.backgroundColour)));
    line(QStringLiteral("<p><FONT size=%1><B>%2").arg(H, header));
    line(QStringLiteral("</B></FONT></p>"));
    line(QStringLiteral("<p><FONT size=%1><B><a href=\"%2\">%3</a>")
             .arg(H, FileUrl(rows.folderPath), Escaped(rows.folderPath)));
    line(QStringLiteral("</B></FONT></p>"));
    line(QStringLiteral("<table border=1 width=100%>"));
    line(QStringLiteral("<tr>"));
    for (const char* x : {"Folder Names", "Size of files / MB", "Cumulated size / MB"})
        line(boldCell(QString::fromLatin1(x)));
    line(QStringLiteral("</tr>"));
    for (const ExportRow& r : rows.rows) {
        line(QStringLiteral("<tr>"));
        line(cell(QStringLiteral("<a href=\"%1\">%2</a>").arg(FileUrl(r.path), Escaped(r.name))));
        line(cell(FormatMegabytes(r.filesSize, loc)));
        line(cell(FormatMegabytes(r.cumulatedSize, loc)));
        line(QStringLiteral("</tr>"));
    }
    line(QStringLiteral("<tr>"));
    line(boldCell(QStringLiteral("Summary")));
    line(boldCell(FormatMegabytes(rows.filesTotal, loc)));
    line(boldCell(FormatMegabytes(rows.cumulatedTotal, loc)));
    line(QStringLiteral("</tr>"));
    line(QStringLiteral("</table>"));
    line(QStringLiteral("<p>"));
    if (!pictureFolderName.empty()) {
        line(PictureLink(pictureFolderName, "Chart.jpg"));
        line(QStringLiteral("&nbsp;").repeated(23));
        line(PictureLink(pictureFolderName, "Pie.jpg"));
    }
    line(QStringLiteral("</p>"));
    line(QStringLiteral("<BR><div align=\"center\"><h3>Created with <B><I>\"Vantu\"</I></B></h3><h4> from  - "
                        "<a href=\"%1\" target=\"_blank\"> %2</a><br><br></h4></div>")
             .arg(QString::fromLatin1(kProjectPage), QString::fromLatin1(kProjectPageText)));
    line(QStringLiteral("</body></html>"));
    return page.toUtf8().toStdString();
}

void WriteHtmlReport(const ExportRows& rows, const ExportSettings& settings, const ChartPictures& pictures,
                     const std::string& target) {
    std::string folderName;
    if (!pictures.bar.isNull() && !pictures.pie.isNull()) {
        const std::string folder = PictureFolderOf(target);
        struct stat st {};
        if (::lstat(folder.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode))
                throw ExportError("Cannot create the picture folder \"" + folder + "\": a file of that name exists");
        } else if (errno != ENOENT || ::mkdir(folder.c_str(), 0777) != 0) {
            throw ExportError("Cannot create the picture folder \"" + folder + "\". " + std::strerror(errno));
        }
        const std::string chart = folder + "/Chart.jpg", pie = folder + "/Pie.jpg";
        SaveWhole(chart, Jpeg(pictures.bar, chart).toStdString());
        SaveWhole(pie, Jpeg(pictures.pie, pie).toStdString());
        const size_t slash = folder.rfind('/');
        folderName = slash == std::string::npos ? folder : folder.substr(slash + 1);
    }
    SaveWhole(target, HtmlReport(rows, settings, folderName));
}

}  // namespace vantum::exporting
