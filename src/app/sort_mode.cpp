#include "app/sort_mode.h"

#include <QAction>

#include "app/analyser_views.h"

namespace vantum::app {

SortModeSwitch::SortModeSwitch(QAction* sortName, QAction* sortSize, AnalyserViewsSlot& views,
                               std::function<TSizeFolder*()> currentFolder, QObject* parent)
    : QObject(parent), sortName_(sortName), sortSize_(sortSize), views_(views),
      currentFolder_(std::move(currentFolder)) {
    connect(sortName_, &QAction::triggered, this, [this] {
        mode_ = 0;
        SetChecks();
        ApplySortMode();
    });
    connect(sortSize_, &QAction::triggered, this, [this] {
        mode_ = 1;
        SetChecks();
        ApplySortMode();
    });
    SetChecks();
}

void SortModeSwitch::SetSortMode(int stored) {
    mode_ = stored == 0 || stored == 1 ? stored : 2;
    SetChecks();
}

void SortModeSwitch::ApplySortMode() {
    TSizeFolder* current = currentFolder_();
    if (!current) return;
    views_->ApplySortMode(mode_, current);
    SetChecks();
}

void SortModeSwitch::SetChecks() {
    sortName_->setChecked(mode_ == 0);
    sortSize_->setChecked(mode_ == 1);
}

}  // namespace vantum::app
