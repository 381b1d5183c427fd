#pragma once
// The window's sizing rules, as plain functions over pixel widths.

#include <vector>

namespace vantum::app {

// Left panel at most this wide counts as collapsed.
inline constexpr int kCollapsedPanelMax = 100;
inline constexpr int kRestoredPanelDefault = 150;

struct DirPanelToggle {
    int panelWidth;  // the panel's new width
    int remembered;  // the width remembered for the next restore (0 = none)
};
// Collapses the panel to 1 pixel remembering its width, or restores a collapsed panel to the
// remembered width (150 when none is remembered or it does not fit the window).
DirPanelToggle ToggleDirPanel(int panelWidth, int remembered, int windowWidth);

// Line breaks of a wrapping tool bar: flag i set = the row ends after button i. Each button
// counts twice in the test, as the classic tool bars did, so rows break a little early.
std::vector<bool> WrapFlags(const std::vector<int>& buttonWidths, int toolBarWidth);

// Width of status panel 1, which takes what panels 0 and 2 leave.
inline int StatusPanel1Width(int statusBarWidth, int panel0, int panel2) {
    int w = statusBarWidth - panel0 - panel2 - 8;
    return w > 0 ? w : 0;
}

}  // namespace vantum::app
