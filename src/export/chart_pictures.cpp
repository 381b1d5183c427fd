#include "export/chart_pictures.h"

#include <memory>

#include "views/bar_chart.h"
#include "views/chart_model.h"
#include "views/pie_chart.h"

namespace vantum::exporting {

ChartPictures RenderChartPictures(const TSizeFolder& folder, const QSize& size) {
    auto model = std::make_shared<views::ChartModel>(views::BuildChartModel(folder, views::ChartBuildOptions{}));
    views::Bars bars;
    views::Pies pies;
    for (views::ChartView* v : {static_cast<views::ChartView*>(&bars), static_cast<views::ChartView*>(&pies)}) {
        v->SetTitle(model->title);
        v->SetModel(model);
        v->resize(size);
    }
    return ChartPictures{bars.Render(size), pies.Render(size)};
}

}  // namespace vantum::exporting
