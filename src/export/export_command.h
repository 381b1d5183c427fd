#pragma once
// The window's "Export" command: pictures of the two charts as they are shown (drawn straight
// into images: the clipboard is left alone), kept also as Chart.jpg and Pie.jpg in the AppData
// folder, then the export dialog, modally, for the current folder.

#include <string>

#include "export/export_form.h"

class QWidget;

namespace vantum::exporting {

struct ExportCommandParts {
    TSizeFolder* folder;  // the current folder; none: nothing happens
    QWidget* barsHost;    // the widgets that hold the bar and the pie chart
    QWidget* piesHost;
    Prompts& prompts;
    std::string settingsPath;
    std::string appDataFolder;  // where Chart.jpg and Pie.jpg go; empty: not kept
    TExport_Form::Opener opener;
    QWidget* parent;
};

void RunExportCommand(const ExportCommandParts& parts);

// The charts below the two hosts at their size on screen; a chart that is not found (or has
// no size yet) is drawn for the folder at a default size.
ChartPictures TakeChartPictures(TSizeFolder& folder, QWidget* barsHost, QWidget* piesHost);

}  // namespace vantum::exporting
