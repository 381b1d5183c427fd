// Deleting folders from the size views' pop-ups: to the real trash of the test's own
// XDG_DATA_HOME, the totals falling at once, nothing changed on a "No", protected paths refused.
#include <gtest/gtest.h>

#include <QAction>
#include <QProcess>
#include <QTreeView>
#include <filesystem>

#include "app/folder_delete_controller.h"
#include "app/gauge_status.h"
#include "app/navigation.h"
#include "gui/path_text.h"
#include "app/prompt_file_questions.h"
#include "app/size_views.h"
#include "core/size_tree.h"
#include "platform/trash.h"
#include "views/bar_chart.h"
#include "views/charts_controller.h"
#include "views/size_ranking.h"
#include "views/size_ranking_model.h"
#include "views/size_tree_list.h"
#include "views/size_tree_model.h"
#include "window_harness.h"

using namespace vantum;
using namespace vantum::app;
using vantum::test::TempDir;
using vantum::test::TestWindow;
namespace fs = std::filesystem;

namespace {

// T holding A (with B below it) and C.
struct Fixture {
    TempDir dir;
    std::string t, a, b, c;
    Fixture() {
        t = dir.mkdir("T");
        a = dir.mkdir("T/A");
        b = dir.mkdir("T/A/B");
        c = dir.mkdir("T/C");
        dir.write("T/t.bin", std::string(3000, 't'));
        dir.write("T/A/a.bin", std::string(40000, 'a'));
        dir.write("T/A/B/b.bin", std::string(70000, 'b'));
        dir.write("T/C/c.bin", std::string(20000, 'c'));
    }
};

struct Window : TestWindow {
    SizeViews* sv = nullptr;
    Window() {
        auto views = std::make_unique<SizeViews>(*window);
        sv = views.get();
        window->SetAnalyserViews(std::move(views));
    }
    views::ChartsController& Charts() { return sv->Charts(); }
    views::SizeTreeList& List() { return sv->List(); }
    views::SizeRanking& Ranking() { return sv->Ranking(); }
};

void ScanFolder(Window& w, const std::string& path) {
    w->Nav().GoToPath(QString::fromStdString(path), false);
    w->Actions().actRun->trigger();
    ASSERT_TRUE(vantum::test::WaitUntilIdle(*w));
    ASSERT_NE(w->Nav().CurrentFolder(), nullptr);
}

int EntryIndex(const views::ChartsController& c, const QString& label) {
    auto model = c.Model();
    for (int i = 0; model && i < model->count(); ++i)
        if (model->entries[static_cast<size_t>(i)].label == label) return i;
    return -1;
}

// What the home trash holds from below folder (the tests of this program share one trash).
std::vector<platform::TrashedItem> HomeTrash(const std::string& folder) {
    std::vector<platform::TrashedItem> out;
    const platform::Trash trash;
    for (auto& item : trash.List())
        if (item.trashDir == trash.HomeTrash() && item.originalPath.rfind(folder + "/", 0) == 0) out.push_back(item);
    return out;
}

// The size of the folder's own node after the refresh, looked up again by path.
double SizeOf(Window& w, const std::string& path) {
    auto bare = [](std::string p) {
        if (p.size() > 1 && p.back() == '/') p.pop_back();
        return p;
    };
    TSizeFolder* top = w->Tree().Top();
    TSizeFolder* f = bare(top->Path()) == path ? top : w->Tree().FindFolder(path);
    return f && bare(f->Path()) == path ? f->CumulatedSize() : -1;
}

}  // namespace

TEST(FolderDelete, ChartPopUpMovesTheFolderToTheTrashAndTheTotalsFall) {
    Fixture f;
    Window w;
    ScanFolder(w, f.t);
    views::ChartsController& c = w.Charts();
    const double before = SizeOf(w, f.t);
    const double sizeA = SizeOf(w, f.a);
    ASSERT_GT(sizeA, 0);

    // The files entry stands for the shown folder: it cannot be deleted from here.
    emit c.bars()->entryClicked(EntryIndex(c, "<All files in folder>"), Qt::RightButton);
    EXPECT_FALSE(c.actPoPDelFolder->isEnabled());

    emit c.bars()->entryClicked(EntryIndex(c, "A"), Qt::RightButton);
    ASSERT_TRUE(c.actPoPDelFolder->isEnabled());
    w.prompts.answers.push_back(Prompts::Answer::Yes);
    c.actPoPDelFolder->trigger();

    // Asked once, naming the folder; it went to the trash with its original path.
    ASSERT_EQ(w.prompts.texts("ask").size(), 1);
    EXPECT_TRUE(w.prompts.texts("ask")[0].contains(QString::fromStdString(f.a)));
    EXPECT_TRUE(w.prompts.texts().isEmpty()) << w.prompts.texts().join("\n").toStdString();
    EXPECT_FALSE(fs::exists(f.a));
    const auto trashed = HomeTrash(f.t);
    ASSERT_EQ(trashed.size(), 1u);
    EXPECT_EQ(trashed[0].originalPath, f.a);
    EXPECT_TRUE(fs::exists(trashed[0].trashDir + "/files/" + trashed[0].name + "/B/b.bin"));

    // The parent was refreshed: A left the tree and the charts, the total fell by its size.
    EXPECT_EQ(SizeOf(w, f.a), -1);
    EXPECT_EQ(EntryIndex(c, "A"), -1);
    EXPECT_NEAR(SizeOf(w, f.t), before - sizeA, 1e-9);
    EXPECT_TRUE(w->Status().TreeState().contains("moved to the trash")) << w->Status().TreeState().toStdString();
    // CurrentPath pointed at A after the right-click: it is back on the folder shown.
    EXPECT_TRUE(gui::IsExistingFolder(w->Nav().CurrentPath())) << w->Nav().CurrentPath().toStdString();
    EXPECT_FALSE(w->IsBusy());

    // trash-cli reads the same trash and sees the original path.
    QProcess list;
    list.start(QStringLiteral("trash-list"), {});
    if (list.waitForStarted(5000) && list.waitForFinished(20000)) {
        EXPECT_TRUE(QString::fromLocal8Bit(list.readAllStandardOutput()).contains(QString::fromStdString(f.a)));
    }
}

TEST(FolderDelete, ANoChangesNothingAndProtectedFoldersAreRefused) {
    Fixture f;
    Window w;
    ScanFolder(w, f.t);
    views::ChartsController& c = w.Charts();
    const double before = SizeOf(w, f.t);
    TSizeFolder* nodeC = w->Tree().FindFolder(f.c);

    // The confirmation answered No: disk, trash and tree as they were.
    emit c.bars()->entryClicked(EntryIndex(c, "C"), Qt::RightButton);
    w.prompts.answers.push_back(Prompts::Answer::No);
    c.actPoPDelFolder->trigger();
    EXPECT_EQ(w.prompts.texts("ask").size(), 1);
    EXPECT_TRUE(fs::exists(f.c + "/c.bin"));
    EXPECT_TRUE(HomeTrash(f.t).empty());
    EXPECT_EQ(w->Tree().FindFolder(f.c), nodeC);
    EXPECT_EQ(SizeOf(w, f.t), before);

    // A protected folder is refused with a message before any question.
    w.sv->FolderDelete().SetProtectedPaths(platform::ProtectedPaths({f.c}));
    w.prompts.shown.clear();
    emit c.bars()->entryClicked(EntryIndex(c, "C"), Qt::RightButton);
    w.prompts.answers.push_back(Prompts::Answer::Yes);
    c.actPoPDelFolder->trigger();
    EXPECT_TRUE(w.prompts.texts("ask").isEmpty());
    ASSERT_EQ(w.prompts.texts().size(), 1);
    EXPECT_TRUE(w.prompts.texts()[0].contains("protected"));
    EXPECT_TRUE(w.prompts.texts()[0].contains(QString::fromStdString(f.c)));
    EXPECT_TRUE(fs::exists(f.c + "/c.bin"));
    EXPECT_TRUE(HomeTrash(f.t).empty());
    // So is a folder above a protected one, however it is spelled.
    w.sv->FolderDelete().SetProtectedPaths(platform::ProtectedPaths({f.b}));
    w.prompts.shown.clear();
    EXPECT_FALSE(w.sv->FolderDelete().DeleteToTrash(w->Tree().FindFolder(f.a),
                                                     FolderDeleteController::Refresh::Folder));
    EXPECT_TRUE(w.prompts.texts()[0].contains("protected"));
    EXPECT_TRUE(fs::exists(f.b));
}

TEST(FolderDelete, TreeListAndRankingRefreshTheDeletedFolderItself) {
    Fixture f;
    Window w;
    ScanFolder(w, f.t);
    const double before = SizeOf(w, f.t);
    const double sizeB = SizeOf(w, f.b);

    // Tree list: the focused row's folder; it stays in the tree with size 0.
    w.List().SelectFolderRow(w->Tree().FindFolder(f.b));
    ASSERT_TRUE(w.List().MnuDeleteFolder->isEnabled());
    w.prompts.answers.push_back(Prompts::Answer::Yes);
    w.List().MnuDeleteFolder->trigger();
    EXPECT_FALSE(fs::exists(f.b));
    EXPECT_EQ(SizeOf(w, f.b), 0);
    EXPECT_NEAR(SizeOf(w, f.t), before - sizeB, 1e-9);

    // Ranking: with no focused row, the first row (the largest) goes.
    w.Ranking().TopTenTree()->setCurrentIndex({});
    auto* rows = w.Ranking().Model();
    ASSERT_GT(rows->rowCount(), 0);
    const std::string first = rows->FolderAt(rows->index(0, 0))->Path();
    w.prompts.answers.push_back(Prompts::Answer::Yes);
    w.Ranking().DeletetoRecycleBin1->trigger();
    EXPECT_FALSE(fs::exists(first));
    EXPECT_EQ(HomeTrash(f.t).size(), 2u);
    EXPECT_EQ(SizeOf(w, first), 0);
}

TEST(FolderDelete, QuestionsOfTheFileOperationsMapToTheDialogAnswers) {
    vantum::test::ScriptedPrompts prompts;
    PromptFileQuestions q(prompts);
    using Choice = FileOpQuestions::Choice;
    const struct {
        Prompts::Answer answer;
        Choice choice;
    } permanent[] = {{Prompts::Answer::Yes, Choice::Yes}, {Prompts::Answer::No, Choice::No},
                     {Prompts::Answer::Cancel, Choice::Cancel}};
    for (const auto& c : permanent) {
        prompts.answers.push_back(c.answer);
        EXPECT_EQ(q.AskDeletePermanently("/mnt/x/\xff", "no trash on this file system"), c.choice);
    }
    // The question names the item (its bytes decoded, nothing read as markup) and the reason.
    EXPECT_TRUE(prompts.texts("ask").back().contains("no trash on this file system"));
    EXPECT_TRUE(prompts.texts("ask").back().contains("permanently"));

    prompts.answers.push_back(Prompts::Answer::Yes);
    EXPECT_TRUE(q.ConfirmDelete({"/a/<b>"}, true));
    EXPECT_TRUE(prompts.texts("ask").back().contains("/a/<b>"));
    EXPECT_FALSE(q.ConfirmDelete({"/a", "/b"}, false));  // no answer: No
    EXPECT_TRUE(prompts.texts("ask").back().contains("these 2 items"));
}
