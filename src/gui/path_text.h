#pragma once
// Path conversions at the edge between the byte-string core and Qt, and the folder tests the
// navigation needs.

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <string>

namespace vantum::gui {

inline std::string ToBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }
inline QString FromBytes(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

inline QString WithTrailingSlash(QString path) {
    if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
    return path;
}
// "/" stays "/".
inline QString WithoutTrailingSlash(QString path) {
    if (path.size() > 1 && path.endsWith(QLatin1Char('/'))) path.chop(1);
    return path;
}

inline bool IsExistingFolder(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

}  // namespace vantum::gui
