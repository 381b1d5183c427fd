#pragma once
// The real size views of the window: the size tree list, the size ranking and the two charts.
// Places their widgets into the containers the layout left for them, puts their actions into
// the window's menus and tool bars, and routes their requests through the window's navigation,
// panels and status bar. It knows nothing of scans; the window's controllers call it through
// AnalyserViews.

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "app/analyser_views.h"

class QAction;
class QWidget;

namespace vantum::views {
class Bars;
class ChartsController;
class Pies;
class SizeRanking;
class SizeTreeList;
}  // namespace vantum::views

namespace vantum::app {

class FileManagerService;
class FolderDeleteController;
class MainWindow;
class WrapToolBar;

class SizeViews : public QObject, public AnalyserViews {
    Q_OBJECT
public:
    explicit SizeViews(MainWindow& window);
    ~SizeViews() override;

    void ClearSizeTreeList() override;
    void FillSizeTreeList(TSizeFolder* top) override;
    void SelectFolderRow(TSizeFolder* folder) override;
    void ApplySortMode(int mode, TSizeFolder* current) override;
    void SetFullSizeTree(bool on) override;
    void ShowFolderCharts(TSizeFolder* folder) override;
    void BarsNormal() override;
    void ClearBars() override;
    void SetRestored(bool on) override;
    void FillSizeRanking(TSizeFolder* current) override;
    void ClearSizeRanking() override;
    void SettingsLoaded(const settings::MainWindowSettings& s) override;
    void SetTreeNotes(const TreeNotes& notes) override;

    views::SizeTreeList& List() const { return *list_; }
    views::SizeRanking& Ranking() const { return *ranking_; }
    views::ChartsController& Charts() const { return *charts_; }
    FolderDeleteController& FolderDelete() const { return *delete_; }
    // The desktop's file manager ("Show in Explorer", "Properties"); tests put a recorder here.
    void SetFileManager(std::unique_ptr<FileManagerService> fm);
    // The file manager's properties of path, else a properties window of our own.
    void ShowFolderProperties(const std::string& path);

private:
    void ConnectList();
    void ConnectRanking();
    void ConnectCharts();
    void PlaceActions();
    // Puts a view's action in the place of the window's placeholder and remembers it, so that
    // the placeholder can come back when the views go.
    void Adopt(QAction*& slot, QAction* replacement);
    // The window's current folder and path, pushed into every view.
    void PushState();
    void PushPath();

    MainWindow& w_;
    QPointer<views::Bars> bars_;
    QPointer<views::Pies> pies_;
    std::unique_ptr<views::ChartsController> charts_;
    std::unique_ptr<views::SizeTreeList> list_;
    std::unique_ptr<views::SizeRanking> ranking_;
    std::unique_ptr<FolderDeleteController> delete_;
    std::unique_ptr<FileManagerService> fileManager_;
    struct Adopted {
        QAction** slot;
        QString name;
        QString text;
        bool checkable;
    };
    std::vector<Adopted> adopted_;
    std::vector<QAction*> menuExtras_;
    QPointer<WrapToolBar> pagingBar_;
};

// Gives the window its real size views.
void InstallSizeViews(MainWindow& window);

}  // namespace vantum::app
