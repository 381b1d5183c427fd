#pragma once
// "Delete to Recycle Bin" of the size views: asks, moves the folder to the trash through the
// file operations, refreshes the branch so that the totals fall at once, and says in the
// status bar how much went to the trash.

#include <QObject>
#include <QString>
#include <optional>
#include <string>

#include "platform/protected_paths.h"
#include "platform/trash.h"

namespace vantum {
class Prompts;
class TSizeFolder;
class TSizeTree;
}  // namespace vantum

namespace vantum::app {

class CommandStates;
class EscapeWatcher;
class GaugeStatus;
class ScanController;

// The status text after a delete to the trash: how much went and that emptying frees it.
QString TrashedStatusText(std::uint64_t bytes, std::size_t items);

class FolderDeleteController : public QObject {
    Q_OBJECT
public:
    struct Parts {
        TSizeTree& tree;
        Prompts& prompts;
        GaugeStatus& status;
        CommandStates& states;
        ScanController& scan;
        EscapeWatcher& escape;
    };
    // Which branch is rescanned afterwards: the deleted folder itself (tree list, ranking: it
    // stays with size 0 if it went) or its parent (charts: it leaves the tree).
    enum class Refresh { Folder, Parent };

    explicit FolderDeleteController(const Parts& parts, QObject* parent = nullptr);

    // The protected paths and the trash to use (tests); by default this system's rule and the
    // user's trash.
    void SetProtectedPaths(platform::ProtectedPaths rule) { rule_ = std::move(rule); }
    void SetTrash(platform::Trash trash) { trash_ = std::move(trash); }

    // Moves folder to the trash after the user confirmed; false when nothing went.
    bool DeleteToTrash(TSizeFolder* folder, Refresh refresh);

signals:
    // Something went to the trash and the branch was refreshed.
    void Deleted(const QString& path);

private:
    const platform::ProtectedPaths& Rule();

    Parts p_;
    std::optional<platform::ProtectedPaths> rule_;
    std::optional<platform::Trash> trash_;
};

}  // namespace vantum::app
