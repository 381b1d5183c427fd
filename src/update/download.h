#pragma once
// HTTPS downloads for the update check: nothing but https, no redirect to a less safe address,
// a timeout, a size cap, and a file that appears whole or not at all.

#include <QByteArray>
#include <QList>
#include <QSslCertificate>
#include <QString>
#include <QUrl>

#include <functional>

namespace vantum::update {

struct DownloadOptions {
    int timeoutMs = 15000;          // no data for this long ends the transfer
    qint64 maxBytes = 1 << 20;      // a longer body is refused
    // Certificates trusted besides the system's (a test server's own).
    QList<QSslCertificate> extraCaCertificates;
    // Polled while waiting; true stops the transfer. The wait runs the event loop, so windows
    // keep painting.
    std::function<bool()> cancelled;
};

struct FetchResult {
    bool ok = false;
    QByteArray body;
    QString error;  // for the user when !ok
    explicit operator bool() const { return ok; }
};

// The body of an https address; a status other than 2xx, a redirect to anything but https, a
// timeout, a body above the cap or a cancel is a failure.
FetchResult Fetch(const QUrl& url, const DownloadOptions& options);

// Fetches the address into fileName through a temporary file beside it that is renamed over it
// on success; on any failure no file of that name is created or changed and no temporary remains.
// When expectedSha256 is not empty, a body with another SHA-256 (hex) is a failure too.
FetchResult DownloadToFile(const QUrl& url, const QString& fileName, const DownloadOptions& options,
                           const QByteArray& expectedSha256 = {});

}  // namespace vantum::update
