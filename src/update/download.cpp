#include "update/download.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QSslConfiguration>
#include <QTimer>

#include <memory>

namespace vantum::update {

namespace {

bool IsHttps(const QUrl& url) { return url.isValid() && url.scheme().compare("https", Qt::CaseInsensitive) == 0; }

}  // namespace

FetchResult Fetch(const QUrl& url, const DownloadOptions& options) {
    FetchResult r;
    if (!IsHttps(url)) {
        r.error = QStringLiteral("Refused to download from %1: only https addresses are used").arg(url.toString());
        return r;
    }
    if (!QCoreApplication::instance()) {
        r.error = QStringLiteral("Downloads need a running application");
        return r;
    }
    QNetworkAccessManager nam;
    QNetworkRequest req(url);
    // https to http is refused by Qt's policy; every hop is checked below as well.
    req.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    req.setMaximumRedirectsAllowed(5);
    req.setTransferTimeout(options.timeoutMs);
    if (!options.extraCaCertificates.isEmpty()) {
        QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
        QList<QSslCertificate> cas = ssl.caCertificates();
        cas += options.extraCaCertificates;
        ssl.setCaCertificates(cas);
        req.setSslConfiguration(ssl);
    }

    std::unique_ptr<QNetworkReply> reply(nam.get(req));
    QEventLoop loop;
    QString failure;
    auto stop = [&](const QString& why) {
        if (failure.isEmpty()) failure = why;
        reply->abort();
    };
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(reply.get(), &QNetworkReply::redirected, &loop, [&](const QUrl& to) {
        if (!IsHttps(to)) stop(QStringLiteral("Refused a redirect to %1: only https addresses are used").arg(to.toString()));
    });
    auto checkSize = [&](qint64 size) {
        if (size > options.maxBytes)
            stop(QStringLiteral("%1 is larger than %2 bytes").arg(url.toString()).arg(options.maxBytes));
    };
    QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, &loop, [&] {
        QVariant len = reply->header(QNetworkRequest::ContentLengthHeader);
        if (len.isValid()) checkSize(len.toLongLong());
    });
    QObject::connect(reply.get(), &QNetworkReply::downloadProgress, &loop,
                     [&](qint64 received, qint64) { checkSize(received); });
    QTimer poll;
    if (options.cancelled) {
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (options.cancelled()) stop(QStringLiteral("Download cancelled"));
        });
        poll.start(50);
    }
    if (!reply->isFinished()) loop.exec();

    if (!failure.isEmpty()) {
        r.error = failure;
        return r;
    }
    if (reply->error() != QNetworkReply::NoError) {
        if (reply->error() == QNetworkReply::InsecureRedirectError)
            r.error = QStringLiteral("%1: refused a redirect to a plain http address").arg(url.toString());
        else if (reply->error() == QNetworkReply::OperationCanceledError || reply->error() == QNetworkReply::TimeoutError)
            r.error = QStringLiteral("%1: no answer within %2 s").arg(url.toString()).arg(options.timeoutMs / 1000.0);
        else
            r.error = QStringLiteral("%1: %2").arg(url.toString(), reply->errorString());
        return r;
    }
    int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status < 200 || status > 299) {
        r.error = QStringLiteral("%1: the server answered %2").arg(url.toString()).arg(status);
        return r;
    }
    if (!IsHttps(reply->url())) {
        r.error = QStringLiteral("Refused %1: only https addresses are used").arg(reply->url().toString());
        return r;
    }
    r.body = reply->readAll();
    if (r.body.size() > options.maxBytes) {
        r.body.clear();
        r.error = QStringLiteral("%1 is larger than %2 bytes").arg(url.toString()).arg(options.maxBytes);
        return r;
    }
    r.ok = true;
    return r;
}

FetchResult DownloadToFile(const QUrl& url, const QString& fileName, const DownloadOptions& options,
                           const QByteArray& expectedSha256) {
    FetchResult r = Fetch(url, options);
    if (!r) return r;
    if (!expectedSha256.isEmpty()) {
        QByteArray got = QCryptographicHash::hash(r.body, QCryptographicHash::Sha256).toHex();
        if (got.compare(expectedSha256.trimmed(), Qt::CaseInsensitive) != 0) {
            r.ok = false;
            r.body.clear();
            r.error = QStringLiteral("%1 does not match its published SHA-256 checksum; nothing was saved").arg(url.toString());
            return r;
        }
    }
    // QSaveFile writes a temporary file beside the target and renames it only on commit().
    QSaveFile out(fileName);
    if (!out.open(QIODevice::WriteOnly) || out.write(r.body) != r.body.size() || !out.commit()) {
        r.ok = false;
        r.error = QStringLiteral("%1: %2").arg(fileName, out.errorString());
        out.cancelWriting();
    }
    return r;
}

}  // namespace vantum::update
