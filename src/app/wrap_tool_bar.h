#pragma once
// A flat tool bar whose buttons, when wrapping is on, break into further rows as the width
// shrinks (the rule of layout_rules.h). The bar's height follows its rows.

#include <QToolButton>
#include <QWidget>
#include <vector>

class QAction;

namespace vantum::app {

// A tool button for an action that keeps a caption and hint of its own: Qt copies the action's
// text and tool tip into its button again at every change of the action (enabled, checked),
// which would replace them.
class CaptionedToolButton : public QToolButton {
    Q_OBJECT
public:
    using QToolButton::QToolButton;
    // Null: the action's.
    void SetCaption(const QString& caption);
    void SetHint(const QString& hint);

protected:
    void actionEvent(QActionEvent* event) override;

private:
    void Apply();
    QString caption_, hint_;
};

class WrapToolBar : public QWidget {
    Q_OBJECT
public:
    explicit WrapToolBar(const QString& objectName, bool wrapping, QWidget* parent = nullptr);

    // A flat button for an action; the button gets the name and, when given, its own tool tip
    // and caption, which it keeps whatever the action does.
    QToolButton* AddAction(QAction* action, const QString& buttonName = {}, const QString& toolTip = {},
                           const QString& caption = {});
    // A flat button of its own (not bound to an action).
    QToolButton* AddButton(const QString& buttonName, const QString& text, const QString& toolTip = {});

    const std::vector<QToolButton*>& Buttons() const { return buttons_; }
    // At most this many rows (0: as many as needed); buttons beyond them go into a "»" menu
    // at the end of the last row.
    void SetMaxRows(int rows);
    QToolButton* OverflowButton() const { return overflow_; }
    // Buttons moved into the overflow menu by the last layout.
    std::vector<QToolButton*> OverflowedButtons() const;
    // Index of the row each button is on after the last layout.
    int RowOf(const QToolButton* button) const;
    int RowCount() const { return rows_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    void Relayout();
    void FillOverflowMenu();

    bool wrapping_;
    int maxRows_ = 0;
    QToolButton* overflow_ = nullptr;
    std::vector<bool> overflowed_;
    int rows_ = 1;
    std::vector<QToolButton*> buttons_;
    std::vector<int> rowOf_;
};

}  // namespace vantum::app
