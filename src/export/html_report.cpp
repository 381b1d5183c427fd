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
    // Built as UTF-8 bytes: a report of many thousand rows stays within a few milliseconds.
    auto u8 = [](const QString& q) { return q.toUtf8().toStdString(); };
    const std::string header = u8(HtmlEscape(s.headerText));
    const std::string S = u8(HtmlEscape(s.bodyFontSize)), H = u8(HtmlEscape(s.headFontSize));
    const QLocale loc = GroupingLocale(s.locale);
    auto mb = [&](long double v) { return u8(FormatMegabytes(v, loc)); };
    auto escaped = [&](const std::string& bytes) { return u8(Escaped(bytes)); };
    auto url = [](const std::string& path) { return FileUrl(path).toStdString(); };

    std::string page;
    page.reserve(300 * rows.rows.size() + 2000);
    auto line = [&](const std::string& l) {
        page += l;
        page += "\r\n";
    };
    const std::string cellStart = "<td><FONT size=" + S + ">", cellEnd = "</FONT></td>";
    auto cell = [&](const std::string& x) { line(cellStart + x + cellEnd); };
    auto boldCell = [&](const std::string& x) { cell("<B>" + x + "</B>"); };

    line("<!DOCTYPE html>");
    line("<html><head><meta charset=\"utf-8\"><title>" + header + "</title></head>");
    line(u8(QStringLiteral("<BODY text=#%1 vLink=#660066 aLink=#ff0000 link=#%2 bgColor=#%3>")
                .arg(Hex6(s.textColour), Hex6(s.linkColour), Hex6(s.backgroundColour))));
    line("<p><FONT size=" + H + "><B>" + header);
    line("</B></FONT></p>");
    line("<p><FONT size=" + H + "><B><a href=\"" + url(rows.folderPath) + "\">" + escaped(rows.folderPath) + "</a>");
    line("</B></FONT></p>");
    line("<table border=1 width=100%>");
    line("<tr>");
    for (const char* x : {"Folder Names", "Size of files / MB", "Cumulated size / MB"}) boldCell(x);
    line("</tr>");
    for (const ExportRow& r : rows.rows) {
        line("<tr>");
        cell("<a href=\"" + url(r.path) + "\">" + escaped(r.name) + "</a>");
        cell(mb(r.filesSize));
        cell(mb(r.cumulatedSize));
        line("</tr>");
    }
    line("<tr>");
    boldCell("Summary");
    boldCell(mb(rows.filesTotal));
    boldCell(mb(rows.cumulatedTotal));
    line("</tr>");
    line("</table>");
    line("<p>");
    if (!pictureFolderName.empty()) {
        line(u8(PictureLink(pictureFolderName, "Chart.jpg")));
        std::string spaces;
        for (int i = 0; i < 23; ++i) spaces += "&nbsp;";
        line(spaces);
        line(u8(PictureLink(pictureFolderName, "Pie.jpg")));
    }
    line("</p>");
    line(std::string("<BR><div align=\"center\"><h3>Created with <B><I>\"Vantu\"</I></B></h3><h4> from  - <a href=\"") +
         kProjectPage + "\" target=\"_blank\"> " + kProjectPageText + "</a><br><br></h4></div>");
    line("</body></html>");
    return page;
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
