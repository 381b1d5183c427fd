#include "views/folder_shell.h"

#include <QByteArray>
#include <QDesktopServices>
#include <QUrl>
#include <sys/stat.h>

namespace vantum::views {

FolderShell DesktopFolderShell() {
    FolderShell shell;
    shell.open = [](const std::string& path) {
        // Percent-encode the bytes so that names that are not valid UTF-8 still reach the shell.
        const QByteArray encoded = QByteArray::fromStdString(path).toPercentEncoding("/");
        QDesktopServices::openUrl(QUrl::fromEncoded("file://" + encoded));
    };
    return shell;
}

bool FolderExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace vantum::views
