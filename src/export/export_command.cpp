#include "export/export_command.h"

#include <QDir>
#include <QFile>

#include "export/chart_pictures.h"
#include "views/chart_view.h"

namespace vantum::exporting {
namespace {

QImage Picture(QWidget* host, const QImage& fallback) {
    auto* chart = host ? host->findChild<views::ChartView*>() : nullptr;
    if (!chart || chart->width() < 2 || chart->height() < 2) return fallback;
    return chart->Render();
}

}  // namespace

ChartPictures TakeChartPictures(TSizeFolder& folder, QWidget* barsHost, QWidget* piesHost) {
    ChartPictures drawn;
    auto bars = barsHost ? barsHost->findChild<views::ChartView*>() : nullptr;
    auto pies = piesHost ? piesHost->findChild<views::ChartView*>() : nullptr;
    if (!bars || !pies || bars->width() < 2 || pies->width() < 2) drawn = RenderChartPictures(folder);
    return ChartPictures{Picture(barsHost, drawn.bar), Picture(piesHost, drawn.pie)};
}

void RunExportCommand(const ExportCommandParts& p) {
    if (!p.folder) return;
    ChartPictures pictures = TakeChartPictures(*p.folder, p.barsHost, p.piesHost);
    if (!p.appDataFolder.empty()) {
        // Copies for the user's own use; the report writes its own, so a failure here is not one.
        const QString dir = QFile::decodeName(QByteArray::fromStdString(p.appDataFolder));
        pictures.bar.save(dir + QStringLiteral("/Chart.jpg"), "JPG");
        pictures.pie.save(dir + QStringLiteral("/Pie.jpg"), "JPG");
    }
    TExport_Form form(p.folder, std::move(pictures), p.prompts, p.settingsPath, p.opener, p.parent);
    form.exec();
}

}  // namespace vantum::exporting
