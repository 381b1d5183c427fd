#include "app/wrap_tool_bar.h"

#include <QAction>
#include <QActionEvent>
#include <QEvent>
#include <QMenu>
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

void WrapToolBar::SetMaxRows(int rows) {
    maxRows_ = std::max(0, rows);
    if (maxRows_ && !overflow_) {
        overflow_ = new QToolButton(this);
        overflow_->setObjectName(objectName() + QStringLiteral("Overflow"));
        overflow_->setAutoRaise(true);
        overflow_->setText(QStringLiteral("\u00bb"));
        overflow_->setToolTip(QStringLiteral("More commands"));
        overflow_->setPopupMode(QToolButton::InstantPopup);
        auto* menu = new QMenu(overflow_);
        menu->setToolTipsVisible(true);
        overflow_->setMenu(menu);
        connect(menu, &QMenu::aboutToShow, this, &WrapToolBar::FillOverflowMenu);
        overflow_->hide();
    }
    Relayout();
}

std::vector<QToolButton*> WrapToolBar::OverflowedButtons() const {
    std::vector<QToolButton*> out;
    for (size_t i = 0; i < buttons_.size() && i < overflowed_.size(); ++i)
        if (overflowed_[i]) out.push_back(buttons_[i]);
    return out;
}

void WrapToolBar::FillOverflowMenu() {
    QMenu* menu = overflow_->menu();
    menu->clear();
    for (QToolButton* b : OverflowedButtons()) {
        if (QAction* a = b->defaultAction()) {
            menu->addAction(a);
            continue;
        }
        // A button of its own: an entry that clicks it.
        QAction* item = menu->addAction(b->text());
        item->setToolTip(b->toolTip());
        item->setEnabled(b->isEnabled());
        connect(item, &QAction::triggered, b, &QToolButton::click);
    }
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
    overflowed_.resize(buttons_.size(), false);
    std::vector<QToolButton*> shown;
    std::vector<int> widths;
    int rowHeight = 0;
    for (size_t i = 0; i < buttons_.size(); ++i) {
        QToolButton* b = buttons_[i];
        // Hidden by the program (not by an earlier overflow): not laid out at all.
        if (b->isHidden() && !overflowed_[i]) continue;
        shown.push_back(b);
        QSize s = b->sizeHint();
        widths.push_back(s.width() + kSpacing);
        rowHeight = std::max(rowHeight, s.height());
    }
    rowOf_.assign(buttons_.size(), 0);
    std::fill(overflowed_.begin(), overflowed_.end(), false);
    auto indexOf = [&](QToolButton* b) { return static_cast<size_t>(std::find(buttons_.begin(), buttons_.end(), b) - buttons_.begin()); };
    int rows = 1;
    if (wrapping_ && maxRows_ > 0) {
        // Rows filled in order; what does not fit in maxRows_ rows (the last one keeping room
        // for the overflow button) goes into the overflow menu.
        const int more = overflow_->sizeHint().width() + kSpacing;
        auto place = [&](bool reserve, bool apply) {
            int x = 0, row = 0;
            size_t placed = 0;
            for (size_t i = 0; i < shown.size(); ++i) {
                const int limit = width() - (reserve && row == maxRows_ - 1 ? more : 0);
                if (x > 0 && x + widths[i] - kSpacing > limit) {
                    ++row;
                    x = 0;
                }
                const int rowLimit = width() - (reserve && row == maxRows_ - 1 ? more : 0);
                if (row >= maxRows_ || (x == 0 && row == maxRows_ - 1 && reserve && widths[i] - kSpacing > rowLimit)) break;
                if (apply) {
                    shown[i]->setGeometry(x, row * rowHeight, widths[i] - kSpacing, rowHeight);
                    rowOf_[indexOf(shown[i])] = row;
                }
                x += widths[i];
                ++placed;
            }
            return std::pair<size_t, std::pair<int, int>>{placed, {row, x}};
        };
        auto [all, end] = place(false, false);
        const bool overflow = all < shown.size();
        auto [placed, last] = place(overflow, true);
        for (size_t i = placed; i < shown.size(); ++i) {
            shown[i]->hide();
            overflowed_[indexOf(shown[i])] = true;
        }
        for (size_t i = 0; i < placed; ++i) shown[i]->show();
        rows = std::min(maxRows_, last.first + 1);
        if (overflow) {
            const int row = std::min(last.first, maxRows_ - 1);
            overflow_->setGeometry(width() - more + kSpacing, row * rowHeight, more - kSpacing, rowHeight);
            overflow_->show();
            overflow_->raise();
        } else {
            overflow_->hide();
        }
        (void)end;
    } else {
        std::vector<bool> wrap = wrapping_ ? WrapFlags(widths, width()) : std::vector<bool>(widths.size(), false);
        int x = 0, row = 0;
        for (size_t i = 0; i < shown.size(); ++i) {
            // The rule can leave a row too long when its last button is wide; such a button
            // starts the next row rather than being cut off.
            if (wrapping_ && x > 0 && x + widths[i] - kSpacing > width()) {
                ++row;
                x = 0;
            }
            shown[i]->setGeometry(x, row * rowHeight, widths[i] - kSpacing, rowHeight);
            rowOf_[indexOf(shown[i])] = row;
            x += widths[i];
            if (wrap[i] && i + 1 < shown.size()) {
                ++row;
                x = 0;
            }
        }
        rows = row + 1;
    }
    if (rows != rows_ || height() != rows * rowHeight) {
        rows_ = rows;
        setFixedHeight(std::max(1, rows * rowHeight));
        updateGeometry();
    }
}

}  // namespace vantum::app
