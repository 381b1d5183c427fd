#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <cstdio>
#include <cstdlib>

#include "support/https_test_server.h"
#include "support/temp_dir.h"
#include "update/update_check.h"

using namespace vantum::update;
using vantum::test::ReadFile;
using vantum::test::TempDir;
using vantum::test::HttpsServer;

namespace {

void EnsureApp() {
    static int argc = 1;
    static char name[] = "test_update";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
}

class UpdateCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApp();
        ASSERT_TRUE(server.running()) << "the test HTTPS server did not start (openssl, python3)";
        pageFile = QString::fromStdString(dir / "Vantu.kbw");
    }
    UpdateCheck Check(const QString& pagePath, const QString& running = "2.3.10") {
        UpdateSource s{server.url(pagePath), server.url("/files/setup.zip")};
        return CheckForUpdate(s, running, pageFile, server.options);
    }
    // Names in the folder, to see that no temporary or partial file is left.
    QStringList Files() const { return QDir(QString::fromStdString(dir.path())).entryList(QDir::Files); }

    TempDir dir;
    HttpsServer server{dir, VANTUM_HTTPS_SERVER};
    QString pageFile;
};

}  // namespace

TEST(UpdateVersions, PublishedVersionAndNumericComparison) {
    EXPECT_EQ(PublishedVersion("<p>current version: 2.3.10<BR>more</p>\n"), "2.3.10");
    EXPECT_EQ(PublishedVersion("current version 2.4.0\r\n"), "2.4.0");
    EXPECT_EQ(PublishedVersion("current version: 1.0<BR>\ncurrent version: 1.1<BR>\n"), "1.1") << "the last wins";
    EXPECT_EQ(PublishedVersion("no marker here\n"), "");

    struct Case {
        const char* a;
        const char* b;
        int cmp;
    } cases[] = {{"2.3.10", "2.3.9", 1}, {"2.3.9", "2.3.10", -1}, {"2.4", "2.4.0", 0},
                 {"10.0.0", "9.9.9", 1}, {"2.3.10", "2.3.10", 0}, {"1.0.0.1", "1.0", 1}};
    for (const Case& c : cases)
        EXPECT_EQ(CompareVersions(*ParseVersion(c.a), *ParseVersion(c.b)), c.cmp) << c.a << " vs " << c.b;
    for (const char* bad : {"", "2.x", "1..2", "-1.0", " 1.0", "2.4-beta", "1.+2"})
        EXPECT_FALSE(ParseVersion(bad)) << bad;
}

TEST(UpdateVersions, NotConfiguredMakesNoRequest) {
    EnsureApp();
    TempDir dir;
    QString page = QString::fromStdString(dir / "Vantu.kbw");
    EXPECT_FALSE(BuiltInUpdateSource().configured()) << "built without update addresses";
    UpdateCheck c = CheckForUpdate(UpdateSource{}, "2.3.10", page);
    EXPECT_EQ(c.outcome, UpdateCheck::Outcome::NotConfigured);
    EXPECT_FALSE(QFile::exists(page));
    // The command line says so too, and fetches nothing.
    std::string out;
    if (FILE* p = ::popen(VANTUM_CLI_PATH " check-update 2>&1", "r")) {
        char buf[1024];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        EXPECT_EQ(::pclose(p), 0) << out;
    }
    EXPECT_EQ(out, std::string(kFromPackageManager) + "\n");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(std::string(std::getenv("VANTUM_APPDATA")) + "/Vantu.kbw")));

    // An http address is refused before any request.
    FetchResult r = Fetch(QUrl("http://127.0.0.1:1/page.html"), {});
    EXPECT_FALSE(r);
    EXPECT_TRUE(r.error.contains("only https")) << r.error.toStdString();
}

TEST_F(UpdateCheckTest, OnlyANewerVersionIsOffered) {
    server.put("newer.html", "<html>\ncurrent version: 2.3.11<BR>\n</html>\n");
    server.put("equal.html", "current version: 2.3.10<BR>\n");
    server.put("older.html", "current version: 2.3.9<BR>\n");
    server.put("none.html", "<html>nothing</html>\n");
    UpdateCheck c = Check("/files/newer.html");
    EXPECT_EQ(c.outcome, UpdateCheck::Outcome::Newer) << c.error.toStdString();
    EXPECT_EQ(c.published, "2.3.11");
    EXPECT_TRUE(QFile::exists(pageFile)) << "the page stays after a check";
    EXPECT_EQ(Check("/files/equal.html").outcome, UpdateCheck::Outcome::UpToDate);
    EXPECT_EQ(Check("/files/older.html").outcome, UpdateCheck::Outcome::UpToDate) << "an older version is never offered";
    EXPECT_EQ(Check("/files/none.html").outcome, UpdateCheck::Outcome::NoVersion);
    EXPECT_EQ(UpdateQuestion("2.3.10", "2.3.11"),
              "Your version:      2.3.10\nPublished version: 2.3.11\nDownload latest version (2.3.11)?");
}

TEST_F(UpdateCheckTest, FailuresLeaveNoPageFile) {
    struct Case {
        const char* path;
        const char* error;  // a part of the message
    } cases[] = {
        {"/status/404", "404"},
        {"/slow", "no answer"},
        {"/redirect-http", "redirect"},
        {"/big", "larger than"},
        {"/big-unsized", "larger than"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(ReadFile(pageFile.toStdString()).empty() || QFile::remove(pageFile));
        QFile stale(pageFile);
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write("current version: 9.9.9<BR>\n");  // left from an earlier check
        stale.close();
        UpdateCheck r = Check(c.path);
        EXPECT_EQ(r.outcome, UpdateCheck::Outcome::Unreachable) << c.path;
        EXPECT_TRUE(r.error.contains(c.error)) << c.path << ": " << r.error.toStdString();
        EXPECT_TRUE(Files().isEmpty()) << c.path << ": " << Files().join(", ").toStdString();
    }
    server.put("page.html", "current version 3.0\n");
    EXPECT_EQ(Check("/redirect-https").outcome, UpdateCheck::Outcome::Newer) << "https to https is followed";
}

TEST_F(UpdateCheckTest, ServerDownOrUntrustedIsUnreachable) {
    QUrl down("https://127.0.0.1:1/page.html");
    UpdateCheck c = CheckForUpdate(UpdateSource{down, down}, "2.3.10", pageFile, server.options);
    EXPECT_EQ(c.outcome, UpdateCheck::Outcome::Unreachable);
    EXPECT_FALSE(QFile::exists(pageFile));

    server.put("page.html", "current version 3.0\n");
    DownloadOptions untrusted = server.options;
    untrusted.extraCaCertificates.clear();
    FetchResult r = Fetch(server.url("/files/page.html"), untrusted);
    EXPECT_FALSE(r) << "a certificate nobody vouches for is refused";

    // The wait can be cancelled: the transfer stops at once and nothing is written.
    DownloadOptions cancel = server.options;
    cancel.timeoutMs = 60000;
    int polls = 0;
    cancel.cancelled = [&] { return ++polls >= 2; };
    const QString file = QString::fromStdString(dir / "slow.bin");
    FetchResult stopped = DownloadToFile(server.url("/slow"), file, cancel);
    EXPECT_FALSE(stopped);
    EXPECT_TRUE(stopped.error.contains("cancelled")) << stopped.error.toStdString();
    EXPECT_EQ(polls, 2);
    EXPECT_FALSE(QFile::exists(file));
}

TEST_F(UpdateCheckTest, SetupIsSavedOnlyWhenItMatchesItsChecksum) {
    QByteArray archive(300000, 'z');
    archive.prepend("PK\x03\x04");
    QByteArray sum = QCryptographicHash::hash(archive, QCryptographicHash::Sha256).toHex();
    server.put("setup.zip", archive);
    server.put("setup.zip.sha256", sum + "  setup.zip\n");
    const QString target = QString::fromStdString(dir / "Vantu_Setup.zip");
    UpdateSource s{server.url("/files/page.html"), server.url("/files/setup.zip")};

    FetchResult ok = DownloadSetup(s, target, server.options);
    ASSERT_TRUE(ok) << ok.error.toStdString();
    EXPECT_EQ(QByteArray::fromStdString(ReadFile(target.toStdString())), archive);

    // A wrong checksum leaves the earlier file as it was and nothing beside it.
    server.put("setup.zip.sha256", QByteArray(64, 'a') + "  setup.zip\n");
    server.put("setup.zip", archive + "tampered");
    FetchResult bad = DownloadSetup(s, target, server.options);
    EXPECT_FALSE(bad);
    EXPECT_TRUE(bad.error.contains("SHA-256")) << bad.error.toStdString();
    EXPECT_EQ(QByteArray::fromStdString(ReadFile(target.toStdString())), archive);
    EXPECT_EQ(Files(), QStringList{"Vantu_Setup.zip"});

    // No checksum published, or a missing archive: no file at all.
    const QString other = QString::fromStdString(dir / "other.zip");
    server.put("setup.zip.sha256", "<html>not a checksum</html>");
    EXPECT_FALSE(DownloadSetup(s, other, server.options));
    UpdateSource missing{s.page, server.url("/files/missing.zip")};
    EXPECT_FALSE(DownloadSetup(missing, other, server.options));
    EXPECT_EQ(Files(), QStringList{"Vantu_Setup.zip"});

    // A cap below the archive's size refuses it.
    server.put("setup.zip", archive);
    server.put("setup.zip.sha256", sum + "\n");
    DownloadOptions capped = server.options;
    capped.maxBytes = 1000;
    EXPECT_FALSE(DownloadSetup(s, other, capped));
    EXPECT_FALSE(QFile::exists(other));
}
