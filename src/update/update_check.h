#pragma once
// "Check for update": the product page names the published version ("current version: 2.4.0<BR>");
// only a newer version than the running one is offered, and the setup archive is saved only when
// it matches the SHA-256 published beside it (the archive's address + ".sha256").

#include <QString>
#include <QUrl>

#include <optional>
#include <vector>

#include "update/download.h"

namespace vantum::update {

struct UpdateSource {
    QUrl page;   // the product page
    QUrl setup;  // the setup archive
    bool configured() const { return !page.isEmpty() && !setup.isEmpty(); }
};

// The addresses this program was built with (empty unless given at configure time).
UpdateSource BuiltInUpdateSource();

// The version named on the page: the text after "current version" and one more character, up
// to "<BR>", trimmed, on the last line that holds the marker; empty when no line does.
QString PublishedVersion(const QByteArray& page);

// Numeric parts of a version ("2.3.10" -> 2, 3, 10); nothing when it is not one.
std::optional<std::vector<unsigned long>> ParseVersion(const QString& text);
// <0, 0, >0 as a is older, equal or newer than b; missing parts count 0 (2.4 == 2.4.0).
int CompareVersions(const std::vector<unsigned long>& a, const std::vector<unsigned long>& b);

// Options for the setup archive: the default timeout, a cap of 512 MiB.
inline DownloadOptions SetupOptions() {
    DownloadOptions o;
    o.maxBytes = qint64(512) << 20;
    return o;
}

struct UpdateCheck {
    enum class Outcome {
        NotConfigured,  // no addresses: updates come from the package manager
        Unreachable,    // the page could not be fetched ("Can not reach webpage")
        NoVersion,      // the page names no version that can be compared
        UpToDate,       // the published version is not newer than ours
        Newer,          // a newer version is published
    } outcome = Outcome::NotConfigured;
    QString running;
    QString published;
    QString error;  // why, for Unreachable and NoVersion
};

// Fetches the page into pageFile (left in place after a check, removed when it fails) and
// compares its version with the running one. Makes no request when the source is not configured.
UpdateCheck CheckForUpdate(const UpdateSource& source, const QString& runningVersion, const QString& pageFile,
                           const DownloadOptions& options = {});

// Fetches "<setup>.sha256" (sha256sum form: the hex digest first) and then the archive into
// fileName, which appears only when the archive is whole and matches; options.maxBytes caps
// the archive.
FetchResult DownloadSetup(const UpdateSource& source, const QString& fileName, const DownloadOptions& options = SetupOptions());

// The fixed texts of the command.
QString UpdateQuestion(const QString& running, const QString& published);
inline constexpr const char* kCannotReachPage = "Can not reach webpage";
inline constexpr const char* kActualVersion = "You are using the actual version";
inline constexpr const char* kFromPackageManager =
    "This copy of Vantum gets its updates from your system's package manager.";
inline constexpr const char* kDownloadWait = "Download file. Please wait";
inline constexpr const char* kSetupFileName = "Vantu_Setup.zip";

}  // namespace vantum::update
