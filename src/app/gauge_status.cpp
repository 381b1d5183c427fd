#include "app/gauge_status.h"

#include <QEvent>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <algorithm>

#include "app/window_layout.h"

namespace vantum::app {

GaugeStatus::GaugeStatus(WindowWidgets& widgets, std::function<QString()> currentPath,
                         std::function<bool()> historyShown, QObject* parent)
    : QObject(parent), w_(widgets), currentPath_(std::move(currentPath)), historyShown_(std::move(historyShown)) {
    timer3_.setObjectName(QStringLiteral("Timer3"));
    timer3_.setSingleShot(true);
    timer3_.setInterval(kTimer3Interval);
    connect(&timer3_, &QTimer::timeout, this, &GaugeStatus::Timer3Timer);
    if (w_.window) w_.window->installEventFilter(this);
}

bool GaugeStatus::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::StatusTip) return true;
    return QObject::eventFilter(watched, event);
}

void GaugeStatus::SetTreeState(const QString& text) {
    treeState_ = text;
    SetPanel(2, text);
}

void GaugeStatus::ShowHoverText(const QString& text) { SetPanel(2, text.isEmpty() ? treeState_ : text); }

void GaugeStatus::CommandEnded() {
    HideGauge();
    StartTimer3();
}

void GaugeStatus::HideGauge() {
    w_.gauge->setValue(0);
    w_.gauge->hide();
    w_.label4->setFixedHeight(0);
}

void GaugeStatus::ShowGauge(int maximum) {
    if (maximum <= 0) return;
    timer3_.stop();
    w_.gauge->setRange(0, maximum);
    w_.gauge->setValue(0);
    w_.label4->setFixedHeight(6);
    w_.label5->setFixedHeight(6);
    w_.gauge->setFixedHeight(16);
    w_.gauge->show();
}

void GaugeStatus::SetPosition(int position) {
    w_.gauge->setValue(std::clamp(position, w_.gauge->minimum(), w_.gauge->maximum()));
}

void GaugeStatus::SetRange(int maximum) {
    // A range of 0..0 would turn the bar into a busy indicator; an empty pass shows as full.
    w_.gauge->setRange(0, std::max(maximum, 1));
    if (maximum <= 0) w_.gauge->setValue(1);
}

int GaugeStatus::Position() const { return w_.gauge->value(); }
int GaugeStatus::Maximum() const { return w_.gauge->maximum(); }
bool GaugeStatus::GaugeVisible() const { return !w_.gauge->isHidden(); }

void GaugeStatus::SetPanel(int index, const QString& text) {
    if (index < 0 || index > 2) return;
    QLabel* panel = w_.panels[static_cast<size_t>(index)];
    panel->setText(text);
    // The tree state panel is as wide as its text, never narrower than its place.
    if (index == 2) {
        const int textWidth = panel->fontMetrics().horizontalAdvance(text) + 2 * panel->margin() + 8;
        panel->setMinimumWidth(std::max(kStatusPanelWidths[2], textWidth));
    }
}

QString GaugeStatus::Panel(int index) const {
    if (index < 0 || index > 2) return {};
    return w_.panels[static_cast<size_t>(index)]->text();
}

void GaugeStatus::StartTimer3() { timer3_.start(); }

void GaugeStatus::Timer3Timer() {
    SetPanel(0, currentPath_ ? currentPath_() : QString());
    SetPanel(1, QString());
    HideGauge();
    UpdateExplorerSpacer();
    timer3_.stop();
}

void GaugeStatus::UpdateExplorerSpacer() {
    w_.label5->setFixedHeight(historyShown_ && historyShown_() ? 20 : 0);
}

}  // namespace vantum::app
