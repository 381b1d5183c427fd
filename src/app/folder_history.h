#pragma once
// The folder history rule: a bounded list of analysed folders without duplicates (compared
// exactly, as the file system compares names), which loses one entry at random (never the newest) once it is over its limit.

#include <QString>
#include <QStringList>
#include <functional>

namespace vantum::app {

inline constexpr const char* kAllDrivesText = "<All Drives>";

// randomBelow(n) returns a uniform integer in [0, n). Returns whether text was appended.
bool AddToHistory(QStringList& items, const QString& text, int limit,
                  const std::function<int(int)>& randomBelow);

// A uniform choice from the global generator.
int RandomBelow(int n);

}  // namespace vantum::app
