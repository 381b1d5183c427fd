#include "app/layout_rules.h"

#include <cstddef>

namespace vantum::app {

DirPanelToggle ToggleDirPanel(int panelWidth, int remembered, int windowWidth) {
    if (panelWidth <= kCollapsedPanelMax) {
        int w = remembered;
        if (w < 1 || w > windowWidth - 1) w = kRestoredPanelDefault;
        return {w, remembered};
    }
    return {1, panelWidth};
}

std::vector<bool> WrapFlags(const std::vector<int>& widths, int toolBarWidth) {
    std::vector<bool> wrap(widths.size(), false);
    int sum = 0;
    for (std::size_t i = 0; i < widths.size(); ++i) {
        sum += widths[i];
        if (widths[i] + sum > toolBarWidth) {
            wrap[i] = true;
            sum = 0;
        }
    }
    return wrap;
}

}  // namespace vantum::app
