#include "update/update_check.h"

#include <QFile>

#include <algorithm>
#include <cctype>
#include <QList>

namespace vantum::update {

UpdateSource BuiltInUpdateSource() {
    UpdateSource s;
    s.page = QUrl(QStringLiteral(VANTUM_UPDATE_PAGE_URL));
    s.setup = QUrl(QStringLiteral(VANTUM_UPDATE_SETUP_URL));
    return s;
}

QString PublishedVersion(const QByteArray& page) {
    static const QByteArray marker = "current version";
    QString found;
    for (const QByteArray& line : page.split('\n')) {
        qsizetype at = line.indexOf(marker);
        if (at < 0) continue;
        QByteArray rest = line.mid(at + marker.size() + 1);
        qsizetype br = rest.indexOf("<BR>");
        if (br >= 0) rest.truncate(br);
        // Trim blanks and control characters at both ends.
        qsizetype b = 0, e = rest.size();
        while (b < e && static_cast<unsigned char>(rest[b]) <= ' ') ++b;
        while (e > b && static_cast<unsigned char>(rest[e - 1]) <= ' ') --e;
        found = QString::fromUtf8(rest.mid(b, e - b));
    }
    return found;
}

std::optional<std::vector<unsigned long>> ParseVersion(const QString& text) {
    if (text.isEmpty() || text.size() > 64) return std::nullopt;
    std::vector<unsigned long> parts;
    for (const QString& p : text.split(QLatin1Char('.'))) {
        bool ok = false;
        // Digits only: no signs, blanks or suffixes that toULong would let through.
        for (QChar c : p)
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
        unsigned long n = p.toULong(&ok);
        if (!ok) return std::nullopt;
        parts.push_back(n);
    }
    return parts;
}

int CompareVersions(const std::vector<unsigned long>& a, const std::vector<unsigned long>& b) {
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        unsigned long x = i < a.size() ? a[i] : 0, y = i < b.size() ? b[i] : 0;
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

UpdateCheck CheckForUpdate(const UpdateSource& source, const QString& runningVersion, const QString& pageFile,
                           const DownloadOptions& options) {
    UpdateCheck c;
    c.running = runningVersion;
    if (!source.configured()) return c;
    FetchResult page = DownloadToFile(source.page, pageFile, options);
    if (!page) {
        QFile::remove(pageFile);
        c.outcome = UpdateCheck::Outcome::Unreachable;
        c.error = page.error;
        return c;
    }
    c.published = PublishedVersion(page.body);
    auto published = ParseVersion(c.published);
    auto running = ParseVersion(runningVersion);
    if (!published || !running) {
        c.outcome = UpdateCheck::Outcome::NoVersion;
        c.error = c.published.isEmpty() ? QStringLiteral("The product page names no version")
                                        : QStringLiteral("The product page names no version number: %1").arg(c.published);
        return c;
    }
    c.outcome = CompareVersions(*published, *running) > 0 ? UpdateCheck::Outcome::Newer : UpdateCheck::Outcome::UpToDate;
    return c;
}

FetchResult DownloadSetup(const UpdateSource& source, const QString& fileName, const DownloadOptions& options) {
    QUrl sumUrl = source.setup;
    sumUrl.setPath(sumUrl.path() + QStringLiteral(".sha256"));
    DownloadOptions small = options;
    small.maxBytes = 4096;
    FetchResult sum = Fetch(sumUrl, small);
    if (!sum) return sum;
    QByteArray digest = sum.body.trimmed().split(' ').value(0).split('\t').value(0);
    bool hex = digest.size() == 64;
    for (char ch : digest) hex = hex && std::isxdigit(static_cast<unsigned char>(ch));
    if (!hex) {
        FetchResult r;
        r.error = QStringLiteral("%1 holds no SHA-256 checksum; nothing was downloaded").arg(sumUrl.toString());
        return r;
    }
    return DownloadToFile(source.setup, fileName, options, digest);
}

QString UpdateQuestion(const QString& running, const QString& published) {
    return QStringLiteral("Your version:      ") + running + QLatin1Char('\n') + QStringLiteral("Published version: ") +
           published + QLatin1Char('\n') + QStringLiteral("Download latest version (") + published +
           QStringLiteral(")?");
}

}  // namespace vantum::update
