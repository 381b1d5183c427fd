// "Show in Explorer" and "Properties" of the size views: the desktop's file manager where it
// answers, our own properties window where it does not, and the facts that window shows.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <filesystem>
#include <unistd.h>

#include "app/file_manager.h"
#include "app/folder_properties.h"
#include "app/navigation.h"
#include "app/size_views.h"
#include "core/size_tree.h"
#include "views/bar_chart.h"
#include "views/charts_controller.h"
#include "views/size_ranking.h"
#include "window_harness.h"

using namespace vantum;
using namespace vantum::app;
using vantum::test::TempDir;
using vantum::test::TestWindow;

namespace {

struct RecordingFileManager : FileManagerService {
    struct Log {
        std::vector<std::string> shown, properties;
        bool offersProperties = false;
    };
    explicit RecordingFileManager(std::shared_ptr<Log> log) : log_(std::move(log)) {}
    bool ShowItem(const std::string& path) override {
        log_->shown.push_back(path);
        return true;
    }
    bool ShowProperties(const std::string& path) override {
        log_->properties.push_back(path);
        return log_->offersProperties;
    }
    std::shared_ptr<Log> log_;
};

QWidget* PropertiesWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "FolderProperties" && w->isVisible()) return w;
    return nullptr;
}

QStringList Labels(QWidget* w) {
    QStringList out;
    for (QLabel* l : w->findChildren<QLabel*>()) out << l->text();
    return out;
}

}  // namespace

TEST(FolderShell, ShowInExplorerAndPropertiesGoToTheFileManagerElseToOurWindow) {
    TempDir dir;
    const std::string t = dir.mkdir("T");
    const std::string a = dir.mkdir("T/A");
    dir.write("T/A/a.bin", std::string(5000, 'a'));
    TestWindow w;
    auto views = std::make_unique<SizeViews>(*w.window);
    SizeViews* sv = views.get();
    w->SetAnalyserViews(std::move(views));
    auto log = std::make_shared<RecordingFileManager::Log>();
    sv->SetFileManager(std::make_unique<RecordingFileManager>(log));
    w->Nav().GoToPath(QString::fromStdString(t), false);
    w->Actions().actRun->trigger();
    ASSERT_TRUE(vantum::test::WaitUntilIdle(*w));

    views::ChartsController& c = sv->Charts();
    emit c.bars()->entryClicked(0, Qt::RightButton);  // A, the only folder
    ASSERT_EQ(c.CurrentPath(), a + "/");
    c.actPopShowinExpl->trigger();
    EXPECT_EQ(log->shown, std::vector<std::string>{a + "/"});
    EXPECT_TRUE(w.opened.empty());

    // The file manager offers properties: nothing of ours opens.
    log->offersProperties = true;
    ASSERT_TRUE(c.Properties1->isEnabled());
    c.Properties1->trigger();
    EXPECT_EQ(log->properties, std::vector<std::string>{a});
    EXPECT_EQ(PropertiesWindow(), nullptr);

    // It does not: our own window, from the ranking's entry too.
    log->offersProperties = false;
    ASSERT_TRUE(sv->Ranking().Properties2->isEnabled());
    sv->Ranking().Properties2->trigger();
    QWidget* props = PropertiesWindow();
    ASSERT_NE(props, nullptr);
    EXPECT_TRUE(Labels(props).contains(QString::fromStdString(a)));
    EXPECT_TRUE(Labels(props).join("|").contains("1 file, 0 folders"));
    props->close();
    QTest::qWait(0);
    EXPECT_FALSE(w->IsBusy());
}

TEST(FolderShell, FolderFactsCountOnceNeverFollowLinksAndReportMissingFolders) {
    TempDir dir;
    const std::string t = dir.mkdir("T");
    dir.mkdir("T/sub");
    dir.mkdir("T/sub/deeper");
    dir.write("T/one.bin", std::string(10000, '1'));
    dir.write("T/sub/two.bin", std::string(3000, '2'));
    ASSERT_EQ(::link((t + "/one.bin").c_str(), (t + "/sub/again.bin").c_str()), 0);
    const std::string outside = dir.mkdir("outside");
    dir.write("outside/big.bin", std::string(100000, 'x'));
    std::filesystem::create_directory_symlink(outside, t + "/link");

    const FolderFacts f = GatherFolderFacts(t);
    EXPECT_EQ(f.error, 0);
    EXPECT_EQ(f.folders, 2u);
    EXPECT_EQ(f.files, 4u);  // one.bin, two.bin, again.bin, the link itself
    EXPECT_EQ(f.apparentBytes, 10000u + 3000u + outside.size());  // the link's own length: its target's path
    EXPECT_LT(f.diskBytes, 100000u);  // the link's target is not counted, the hard link once
    EXPECT_TRUE(PermissionText(f.mode).startsWith("d"));

    const FolderFacts gone = GatherFolderFacts(dir / "missing");
    EXPECT_EQ(gone.error, ENOENT);
    const FolderFacts file = GatherFolderFacts(t + "/one.bin");
    EXPECT_EQ(file.error, ENOTDIR);

    // Stopped at once: said so, nothing claimed complete.
    const FolderFacts stopped = GatherFolderFacts(t, [] { return true; });
    EXPECT_TRUE(stopped.cancelled);
}

TEST(FolderShell, FileUrlsCarryTheRawBytes) {
    EXPECT_EQ(FileUrl("/tmp/a b/\xff.txt").toString(QUrl::FullyEncoded), "file:///tmp/a%20b/%FF.txt");
    EXPECT_EQ(PermissionText(040750), "drwxr-x---  (0750)");
}
