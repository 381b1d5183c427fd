#include "app/folder_history.h"

#include <QRandomGenerator>

namespace vantum::app {

bool AddToHistory(QStringList& items, const QString& text, int limit,
                  const std::function<int(int)>& randomBelow) {
    if (text.isEmpty() || text == QLatin1String(kAllDrivesText)) return false;
    if (limit > 0 && items.size() > limit + 1) {
        // Any position but the last one.
        int at = randomBelow(static_cast<int>(items.size()) - 1);
        items.removeAt(at);
    }
    // Names compare as the file system compares them: on Linux "/x/Temp/" and "/x/temp/" are
    // two folders.
    if (items.contains(text, Qt::CaseSensitive)) return false;
    items.append(text);
    return true;
}

int RandomBelow(int n) { return n > 0 ? static_cast<int>(QRandomGenerator::global()->bounded(n)) : 0; }

}  // namespace vantum::app
