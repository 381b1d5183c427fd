#include "app/file_manager.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QStringList>
#include <QUrl>

namespace vantum::app {

namespace {

constexpr const char* kService = "org.freedesktop.FileManager1";
constexpr const char* kObject = "/org/freedesktop/FileManager1";
// A file manager that is started by the call may take a moment to answer.
constexpr int kCallTimeoutMs = 5000;

bool CallFileManager(const char* method, const std::string& path) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    const QString service = QString::fromLatin1(kService);
    QDBusConnectionInterface* iface = bus.interface();
    if (!iface) return false;
    const bool running = iface->isServiceRegistered(service).value();
    const bool activatable = iface->activatableServiceNames().value().contains(service);
    if (!running && !activatable) return false;
    QDBusMessage call = QDBusMessage::createMethodCall(service, QString::fromLatin1(kObject), service,
                                                       QString::fromLatin1(method));
    call << QStringList{FileUrl(path).toString(QUrl::FullyEncoded)} << QString();
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

}  // namespace

QUrl FileUrl(const std::string& path) {
    // Names that are not valid UTF-8 still reach the file manager as their bytes.
    return QUrl::fromEncoded("file://" + QByteArray::fromStdString(path).toPercentEncoding("/"));
}

bool DesktopFileManager::ShowItem(const std::string& path) {
    if (CallFileManager("ShowItems", path)) return true;
    return openUrl_ && openUrl_(FileUrl(path));
}

bool DesktopFileManager::ShowProperties(const std::string& path) { return CallFileManager("ShowItemProperties", path); }

}  // namespace vantum::app
