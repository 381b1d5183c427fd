#pragma once
// A small QPainter chart of two stacked series: areas over equally spaced points (the log's
// history) or bars per category (the drives). Labels per point, a legend, a value axis that is
// either fitted to the data or starts at a fixed minimum. Renders to any QPaintDevice.

#include <QColor>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

class QPainter;

namespace vantum::sizelog {

class StackedChart : public QWidget {
    Q_OBJECT
public:
    enum class Style { Areas, Bars };
    struct Series {
        QString name;  // the legend entry
        QColor color;
        std::vector<double> values;  // one per point; a series may hold fewer points than the labels
    };
    using LabelFormat = std::function<QString(int series, int point, double value)>;

    explicit StackedChart(Style style, QWidget* parent = nullptr);

    void SetTitle(const QString& title);
    void SetAxisTitle(const QString& title);
    // Series from the bottom up, and the category labels (an empty label draws none).
    void SetData(std::vector<Series> series, QStringList labels);
    void Clear() { SetData({}, {}); }
    // Value labels at the points; an empty format shows none.
    void SetLabelFormat(LabelFormat format);
    // A fixed axis minimum, or nothing for an axis fitted to the data.
    void SetAxisMinimum(std::optional<double> minimum);

    const std::vector<Series>& SeriesList() const { return series_; }
    const QStringList& Labels() const { return labels_; }
    bool LabelsShown() const { return bool(format_); }
    // The value range of the axis as drawn.
    std::pair<double, double> AxisRange() const;

    void Render(QPainter& p, const QRect& area) const;
    QSize sizeHint() const override { return {600, 360}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int PointCount() const;
    double StackedValue(int series, int point) const;  // the top of a series at a point

    Style style_;
    QString title_, axisTitle_;
    std::vector<Series> series_;
    QStringList labels_;
    LabelFormat format_;
    std::optional<double> axisMin_;
};

}  // namespace vantum::sizelog
