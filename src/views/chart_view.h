#pragma once
// What the bar and the pie chart share: the entry model, title and foot texts, marks, legend,
// the "reloaded" picture, the free-space label and the mouse protocol (click, hover, popup).
// Drawing is one function onto any painter, so screen, image, printer and SVG look the same.

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>
#include <memory>

#include "views/chart_model.h"

class QLabel;
class QMenu;
class QPainter;
class QPaintDevice;
class QFontMetrics;

namespace vantum::views {

class ChartView : public QWidget {
    Q_OBJECT
public:
    explicit ChartView(QWidget* parent = nullptr);
    ~ChartView() override;

    // The entries to show; null or an empty model shows only the title and foot.
    virtual void SetModel(std::shared_ptr<const ChartModel> model);
    const ChartModel* Model() const { return model_.get(); }
    int EntryCount() const { return model_ ? model_->count() : 0; }
    // Removes every entry; title, foot and labels stay.
    void ClearSeries();

    void SetTitle(const QString& title);
    QString Title() const { return title_; }
    QString FootText() const { return foot_; }

    void SetMarksVisible(bool on);
    bool MarksVisible() const { return marks_; }
    void SetLegendVisible(bool on);
    bool LegendVisible() const { return legend_; }
    void Set3D(bool on);
    bool Is3D() const { return view3D_; }
    void SetBackground(const QColor& c);
    QColor Background() const { return background_; }
    void SetTextColour(const QColor& c);

    // The small "reloaded" picture; its shown state is the flag, independent of the page shown.
    void SetRestoredVisible(bool on);
    bool RestoredVisible() const { return restored_; }
    QLabel* RestoredMark() const { return restoredMark_; }
    // The free-space label, anchored bottom right.
    void SetFreeSpaceText(const QString& text);
    QString FreeSpaceText() const;
    QLabel* FreeSpaceLabel() const { return freeSpace_; }

    // The popup of the chart, opened by a right click that was not a pan, or the menu key.
    void SetPopupMenu(QMenu* menu) { popup_ = menu; }
    QMenu* PopupMenu() const { return popup_; }

    // Draws the whole chart into area of any paint device.
    virtual void Draw(QPainter& p, const QRect& area) const = 0;
    // The entry under a point of the widget, or -1.
    virtual int EntryAt(const QPoint& pos) const = 0;
    // The chart drawn at the widget's size into an image (for tests, pictures, clipboard).
    QImage Render(const QSize& size = {}) const;

signals:
    void entryClicked(int index, Qt::MouseButton button);
    void entryHovered(int index);  // -1 when the mouse left every entry
    void mousePressed();
    void mouseReleased();

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void leaveEvent(QEvent*) override;
    void contextMenuEvent(QContextMenuEvent*) override;

    // Drag gestures that start off an entry; the bar chart zooms and pans with them.
    virtual bool BeginDrag(Qt::MouseButton, const QPoint&) { return false; }
    virtual void UpdateDrag(const QPoint&) {}
    virtual bool EndDrag(const QPoint&) { return false; }  // true: it was a drag, not a click
    virtual void PaintOverlay(QPainter&) {}

    // Shared drawing: background, frame, title and foot; returns the room left for the chart.
    QRect DrawFrame(QPainter& p, const QRect& area, bool border) const;
    // The same room without drawing (for hit tests), measured with the widget's fonts.
    QRect FrameRoom(const QRect& area) const;
    // The legend at the right of room; returns the room left of it.
    QRect DrawLegend(QPainter& p, const QRect& room) const;
    // The room DrawLegend leaves, measured with fm.
    QRect RoomBesideLegend(const QFontMetrics& fm, const QRect& room) const;
    // A mark box whose near edge is at anchor: right of it (toRight) or left of it; the box is
    // skipped (false) when it would cover an earlier mark in taken.
    bool DrawMark(QPainter& p, const QPoint& anchor, const QString& text, bool toRight,
                  std::vector<QRect>& taken) const;
    // The box DrawMark would take, moved inside bounds when given; empty when it would cover
    // a mark in taken (else it is added to taken).
    static QRect PlaceMark(const QFontMetrics& fm, const QPoint& anchor, const QString& text, bool toRight,
                           std::vector<QRect>& taken, const QRect& bounds = {});
    void PaintMark(QPainter& p, const QRect& box, const QString& text) const;
    QFont TitleFont() const;
    int LegendWidth(const QFontMetrics& fm, const QRect& room) const;

    std::shared_ptr<const ChartModel> model_;
    QColor background_;
    QColor textColour_;

private:
    void PlaceLabels();
    void OpenPopup(const QPoint& globalPos);

    QString title_;
    QString foot_;
    bool marks_ = true;
    bool legend_ = false;
    bool view3D_ = true;
    bool restored_ = false;
    QLabel* restoredMark_ = nullptr;
    QLabel* freeSpace_ = nullptr;
    QMenu* popup_ = nullptr;
    Qt::MouseButton dragButton_ = Qt::NoButton;
    bool dragging_ = false;
    int hovered_ = -1;
};

}  // namespace vantum::views
