#include "app/gauge_status.h"

#include <QLabel>
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
    w_.panels[static_cast<size_t>(index)]->setText(text);
}

QString GaugeStatus::Panel(int index) const {
    if (index < 0 || index > 2) return {};
    return w_.panels[static_cast<size_t>(index)]->text();
}

void GaugeStatus::StartTimer3() { timer3_.start(); }

void GaugeStatus::Timer3Timer() {
    SetPanel(0, currentPath_ ? currentPath_() : QString());
    SetPanel(1, QString());
    w_.gauge->setValue(0);
    w_.gauge->hide();
    w_.label4->setFixedHeight(0);
    UpdateExplorerSpacer();
    timer3_.stop();
}

void GaugeStatus::UpdateExplorerSpacer() {
    w_.label5->setFixedHeight(historyShown_ && historyShown_() ? 20 : 0);
}

}  // namespace vantum::app
