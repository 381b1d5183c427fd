#pragma once
// A local HTTPS server (tests/update/https_server.py) with a self-signed certificate that only
// the tests trust: serves the files put into it under /files/, plus misbehaving addresses.

#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QUrl>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "update/download.h"

namespace vantum::test {

class HttpsServer {
public:
    HttpsServer(const TempDir& dir, const QString& script) : files_(dir.mkdir("www")) {
        std::string tls = dir.mkdir("tls"), cert = tls + "/cert.pem", key = tls + "/key.pem";
        std::string cmd = "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1"
                          " -addext subjectAltName=IP:127.0.0.1 -keyout '" + key + "' -out '" + cert + "' >/dev/null 2>&1";
        if (std::system(cmd.c_str()) != 0) return;
        proc_.start("python3", {script, QString::fromStdString(cert), QString::fromStdString(key),
                                QString::fromStdString(files_)});
        if (!proc_.waitForReadyRead(20000)) return;
        port_ = proc_.readLine().trimmed().toInt();
        options.extraCaCertificates = QSslCertificate::fromPath(QString::fromStdString(cert));
        options.timeoutMs = 2000;
    }
    ~HttpsServer() {
        proc_.closeWriteChannel();
        if (!proc_.waitForFinished(3000)) proc_.kill();
        proc_.waitForFinished(3000);
    }
    bool running() const { return port_ > 0 && !options.extraCaCertificates.isEmpty(); }
    QUrl url(const QString& path) const { return QUrl(QStringLiteral("https://127.0.0.1:%1%2").arg(port_).arg(path)); }
    void put(const std::string& name, const QByteArray& body) const {
        QFile f(QString::fromStdString(files_ + "/" + name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(body);
    }
    update::DownloadOptions options;

private:
    std::string files_;
    QProcess proc_;
    int port_ = 0;
};

}  // namespace vantum::test
