#include "app/wrap_tool_bar.h"

#include <QAction>
#include <QActionEvent>
#include <QEvent>
#include <QResizeEvent>
#include <algorithm>

#include "app/layout_rules.h"

namespace vantum::app {

namespace {
constexpr int kSpacing = 1;
}

WrapToolBar::WrapToolBar(const QString& objectName, bool wrapping, QWidget* parent)
    : QWidget(parent), wrapping_(wrapping) {
    setObjectName(objectName);
    setSizePolicy(wrapping ? QSizePolicy::Expanding : QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void CaptionedToolButton::SetCaption(const QString& caption) {
    caption_ = caption;
    Apply();
}

void CaptionedToolButton::SetHint(const QString& hint) {
    hint_ = hint;
    Apply();
}

void CaptionedToolButton::actionEvent(QActionEvent* event) {
    QToolButton::actionEvent(event);
    if (event->action() == defaultAction()) Apply();
}

void CaptionedToolButton::Apply() {
    if (!caption_.isEmpty() && text() != caption_) setText(caption_);
    if (!hint_.isEmpty() && toolTip() != hint_) setToolTip(hint_);
}

QToolButton* WrapToolBar::AddAction(QAction* action, const QString& buttonName, const QString& toolTip,
                                    const QString& caption) {
    auto* b = new CaptionedToolButton(this);
    b->setDefaultAction(action);
    b->setAutoRaise(true);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    if (!buttonName.isEmpty()) b->setObjectName(buttonName);
    b->SetHint(toolTip);
    b->SetCaption(caption);
    buttons_.push_back(b);
    Relayout();
    return b;
}

QToolButton* WrapToolBar::AddButton(const QString& buttonName, const QString& text, const QString& toolTip) {
    auto* b = new QToolButton(this);
    b->setAutoRaise(true);
    b->setText(text);
    b->setObjectName(buttonName);
    b->setToolTip(toolTip);
    buttons_.push_back(b);
    Relayout();
    return b;
}

int WrapToolBar::RowOf(const QToolButton* button) const {
    for (size_t i = 0; i < buttons_.size(); ++i)
        if (buttons_[i] == button) return rowOf_.size() > i ? rowOf_[i] : 0;
    return -1;
}

QSize WrapToolBar::sizeHint() const {
    int w = 0, h = 0;
    for (auto* b : buttons_) {
        if (b->isHidden()) continue;
        QSize s = b->sizeHint();
        w += s.width() + kSpacing;
        h = std::max(h, s.height());
    }
    return {w, h * rows_};
}

QSize WrapToolBar::minimumSizeHint() const {
    if (!wrapping_) return sizeHint();
    int w = 0;
    for (auto* b : buttons_) w = std::max(w, b->sizeHint().width());
    return {w, sizeHint().height()};
}

void WrapToolBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Relayout();
}

bool WrapToolBar::event(QEvent* event) {
    // A button's caption or visibility changed: its width may have.
    if (event->type() == QEvent::LayoutRequest) Relayout();
    return QWidget::event(event);
}

void WrapToolBar::Relayout() {
    std::vector<QToolButton*> shown;
    std::vector<int> widths;
    int rowHeight = 0;
    for (auto* b : buttons_) {
        if (b->isHidden()) continue;
        shown.push_back(b);
        QSize s = b->sizeHint();
        widths.push_back(s.width() + kSpacing);
        rowHeight = std::max(rowHeight, s.height());
    }
    std::vector<bool> wrap = wrapping_ ? WrapFlags(widths, width()) : std::vector<bool>(widths.size(), false);
    rowOf_.assign(buttons_.size(), 0);
    int x = 0, row = 0;
    for (size_t i = 0; i < shown.size(); ++i) {
        // The rule can leave a row too long when its last button is wide; such a button
        // starts the next row rather than being cut off.
        if (wrapping_ && x > 0 && x + widths[i] - kSpacing > width()) {
            ++row;
            x = 0;
        }
        shown[i]->setGeometry(x, row * rowHeight, widths[i] - kSpacing, rowHeight);
        auto at = std::find(buttons_.begin(), buttons_.end(), shown[i]) - buttons_.begin();
        rowOf_[static_cast<size_t>(at)] = row;
        x += widths[i];
        if (wrap[i] && i + 1 < shown.size()) {
            ++row;
            x = 0;
        }
    }
    int rows = row + 1;
    if (rows != rows_ || height() != rows * rowHeight) {
        rows_ = rows;
        setFixedHeight(std::max(1, rows * rowHeight));
        updateGeometry();
    }
}

}  // namespace vantum::app
