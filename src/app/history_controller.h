#pragma once
// The folder history combo: choosing or typing a folder, its pop-up menu, and adding the
// scanned folder to the remembered list.

#include <QObject>
#include <QStringList>
#include <functional>

class QAction;
class QComboBox;
class QMenu;

namespace vantum {
class Prompts;
}

namespace vantum::app {

class Navigation;

class HistoryController : public QObject {
    Q_OBJECT
public:
    HistoryController(QComboBox* combo, Navigation& navigation, Prompts& prompts, QObject* parent = nullptr);

    int HistorySize = 20;

    QStringList Items() const;
    void SetItems(const QStringList& items);
    // Adds the combo's text to the items under the HistorySize limit.
    void AddToHistory();
    // For tests: the generator of the random removal.
    void SetRandom(std::function<int(int)> randomBelow) { random_ = std::move(randomBelow); }

    QMenu* Menu() const { return historyPop_; }
    QAction* DeleteItemAction() const { return deleteItem_; }
    QAction* ClearAllAction() const { return clearAll_; }
    QAction* CopyPathAction() const { return copyPath_; }
    QAction* InsertPathAction() const { return insertPath_; }

    void DeleteSelectedItem();
    void ClearAllItems();
    void CopyPathToClipboard();
    void InsertPathFromClipboard();

private:
    void Confirmed();

    QComboBox* combo_;
    Navigation& nav_;
    Prompts& prompts_;
    std::function<int(int)> random_;
    QMenu* historyPop_;
    QAction* deleteItem_;
    QAction* clearAll_;
    QAction* copyPath_;
    QAction* insertPath_;
};

}  // namespace vantum::app
