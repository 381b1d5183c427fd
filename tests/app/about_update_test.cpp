#include <gtest/gtest.h>

#include <QAction>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QTimer>

#include "app/about_box.h"
#include "app/update_controller.h"
#include "support/https_test_server.h"
#include "update/update_check.h"
#include "window_harness.h"

using namespace vantum;
using namespace vantum::test;

TEST(AboutBox, HelpAboutShowsNameVersionLibrariesAndLicence) {
    TestWindow w;
    QAction* about = w->Actions().actAbout;
    ASSERT_TRUE(about->isEnabled());
    about->trigger();
    auto* box = w->findChild<app::AboutBox*>();
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->isVisible());
    const QString text = box->findChild<QLabel*>("AboutText")->text();
    for (const QString& part : {QStringLiteral("Vantum " VANTUM_VERSION), QStringLiteral("Qt ") + qVersion(),
                                QStringLiteral("libzip "), QStringLiteral("OpenSSL "), QStringLiteral("libxlsxwriter "),
                                QStringLiteral("GNU General Public License")})
        EXPECT_TRUE(text.contains(part)) << part.toStdString() << " in\n" << text.toStdString();
    box->close();
}

TEST(UpdateCheckWindow, WithoutASourceItPointsToThePackageManager) {
    TestWindow w;
    w->Updates().SetSource({});
    ASSERT_TRUE(w->Actions().actCheckForUpdate->isEnabled());
    w->Actions().actCheckForUpdate->trigger();
    EXPECT_EQ(w.prompts.texts(), QStringList{update::kFromPackageManager});
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(w.settingsDir / "AppData/Vantu.kbw")));
}

namespace {

struct UpdateWindow : ::testing::Test {
    TestWindow w;
    TempDir serverDir;
    HttpsServer server{serverDir, VANTUM_HTTPS_SERVER};
    QString pageFile = QString::fromStdString(w.settingsDir / "AppData/Vantu.kbw");

    void SetUp() override {
        ASSERT_TRUE(server.running()) << "the test HTTPS server did not start (openssl, python3)";
        QDir().mkpath(QString::fromStdString(w.settingsDir / "AppData"));
        w->Activate();
    }
    void Check(const QString& page) {
        w->Updates().SetSource({server.url(page), server.url("/files/setup.zip")}, server.options);
        w->Actions().actCheckForUpdate->trigger();
        EXPECT_FALSE(w->IsBusy());
    }
};

}  // namespace

TEST_F(UpdateWindow, OutcomesShowTheirTexts) {
    server.put("equal.html", "<p>current version: " VANTUM_VERSION "<BR></p>\n");
    server.put("older.html", "current version: 0.0.1<BR>\n");
    server.put("none.html", "<html>no version here</html>\n");
    server.put("newer.html", "current version: 99.0.0<BR>\n");

    Check("/files/equal.html");
    Check("/files/older.html");
    EXPECT_EQ(w.prompts.texts(), (QStringList{update::kActualVersion, update::kActualVersion}));
    EXPECT_TRUE(QFileInfo::exists(pageFile)) << "the page stays after a check";

    w.prompts.shown.clear();
    Check("/files/none.html");
    ASSERT_EQ(w.prompts.texts().size(), 1);
    EXPECT_TRUE(w.prompts.texts("ask").isEmpty()) << "nothing is offered for a page without a version";

    w.prompts.shown.clear();
    Check("/files/newer.html");  // answered No
    EXPECT_EQ(w.prompts.texts("ask"), QStringList{update::UpdateQuestion(VANTUM_VERSION, "99.0.0")});
    EXPECT_TRUE(w.prompts.texts("save").isEmpty());

    w.prompts.shown.clear();
    Check("/status/404");
    EXPECT_EQ(w.prompts.texts(), QStringList{update::kCannotReachPage});
    EXPECT_FALSE(QFileInfo::exists(pageFile)) << "no page file after a failed check";
}

TEST_F(UpdateWindow, ANewerVersionIsSavedOnlyWhenItMatchesItsChecksum) {
    server.put("newer.html", "current version: 99.0.0<BR>\n");
    const QByteArray archive = "PK\x05\x06" + QByteArray(18, '\0');
    server.put("setup.zip", archive);
    server.put("setup.zip.sha256", QCryptographicHash::hash(archive, QCryptographicHash::Sha256).toHex() + "  setup.zip\n");
    TempDir target;
    const QString file = QString::fromStdString(target / "Vantu_Setup.zip");

    w.prompts.answers = {Prompts::Answer::Yes};
    w.prompts.files = {Prompts::FileChoice{file, 1}};
    Check("/files/newer.html");
    EXPECT_EQ(w.prompts.texts("save").size(), 1);
    EXPECT_EQ(QString::fromStdString(ReadFile(file.toStdString())).toLatin1(), archive);
    EXPECT_TRUE(w.prompts.texts().isEmpty());

    // A tampered archive: a clear message and no file.
    server.put("setup.zip", archive + "x");
    const QString other = QString::fromStdString(target / "other.zip");
    w.prompts.answers = {Prompts::Answer::Yes};
    w.prompts.files = {Prompts::FileChoice{other, 1}};
    Check("/files/newer.html");
    ASSERT_EQ(w.prompts.texts().size(), 1);
    EXPECT_TRUE(w.prompts.texts()[0].startsWith("The download failed")) << w.prompts.texts()[0].toStdString();
    EXPECT_EQ(QDir(QString::fromStdString(target.path())).entryList(QDir::Files), QStringList{"Vantu_Setup.zip"});
}

TEST_F(UpdateWindow, EscapeCancelsAPendingCheckWithoutAMessage) {
    server.options.timeoutMs = 20000;  // the wait ends by Escape, not by the timeout
    bool busyDuring = false, commandsOff = false;
    QTimer::singleShot(300, [&] {
        busyDuring = w->IsBusy();
        commandsOff = !w->Actions().actRun->isEnabled() && !w->Actions().actCheckForUpdate->isEnabled();
        QTest::keyClick(w.window.get(), Qt::Key_Escape);
    });
    QElapsedTimer t;
    t.start();
    Check("/slow");
    EXPECT_LT(t.elapsed(), 10000);
    EXPECT_TRUE(busyDuring);
    EXPECT_TRUE(commandsOff);
    EXPECT_TRUE(w.prompts.texts().isEmpty()) << w.prompts.texts().join('|').toStdString();
    EXPECT_TRUE(w->Actions().actCheckForUpdate->isEnabled());
    EXPECT_FALSE(QFileInfo::exists(pageFile));
}
