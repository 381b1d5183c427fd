#pragma once
// The HTML report: a table of the rows with links to the folders, the summary, and the two
// chart pictures as thumbnails that link to the full pictures in "<page name>_images".

#include <QImage>
#include <QString>
#include <string>

#include "export/export_rows.h"
#include "export/export_settings.h"

namespace vantum::exporting {

struct ChartPictures {
    QImage bar;  // saved as "Chart.jpg"
    QImage pie;  // saved as "Pie.jpg"
};

// The footer's link to the program's home page.
inline constexpr const char* kProjectPage = "https://vantum.sourceforge.io/";
inline constexpr const char* kProjectPageText = "Vantum home page";

// The picture folder of a page: the page's name without its extension, then "_images".
std::string PictureFolderOf(const std::string& page);

// Text and attribute values escaped for HTML (& < > " '); control characters dropped.
QString HtmlEscape(const QString& text);
// A "file://" URL of a path, percent-encoded from its bytes.
QString FileUrl(const std::string& path);

// The page itself (UTF-8). pictureFolderName is the last component of the picture folder;
// empty leaves the thumbnails out.
std::string HtmlReport(const ExportRows& rows, const ExportSettings& settings, const std::string& pictureFolderName);

// Creates the picture folder (one level) when missing, saves both pictures into it, then the
// page; every file is replaced only when complete. A picture folder that exists as anything
// but a folder (a file, a symbolic link) is an error. Without pictures (null images) the
// folder and the thumbnails are left out. ExportError with a message naming the file.
void WriteHtmlReport(const ExportRows& rows, const ExportSettings& settings, const ChartPictures& pictures,
                     const std::string& target);

}  // namespace vantum::exporting
