// vantum-cli export TREE.vtr|FOLDER --format text|csv|html|xlsx -o FILE: the export writers
// of the window, from a saved size tree or a fresh scan.
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/tree_report.h"
#include "core/scan.h"
#include "core/tree_file.h"
#include "export/chart_pictures.h"
#include "export/csv_export.h"
#include "export/export_error.h"
#include "export/export_rows.h"
#include "export/html_report.h"
#include "export/spreadsheet_export.h"
#include "export/text_export.h"
#include "views/chart_model.h"

namespace vantum::cli {

static const char* kUsage =
    "usage: vantum-cli export TREE.vtr|FOLDER --format text|csv|html|xlsx -o FILE [--folder PATH]\n"
    "         [--sort name|size|none] [--header TEXT] [--delimiter D] [--number-format F]\n";

static int Fail(const std::string& message) {
    std::fprintf(stderr, "vantum-cli export: %s\n", EscapeForTerminal(message).c_str());
    return 2;
}

static int Run(const Args& args) {
    std::string input, format, out, folderPath, sort = "name";
    exporting::ExportSettings settings;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string* { return i + 1 < args.size() ? &args[++i] : nullptr; };
        const std::string* v = nullptr;
        if (a == "--format" || a == "-f") {
            if (!(v = value())) return Fail("--format needs text, csv, html or xlsx");
            format = *v;
        } else if (a == "--out" || a == "-o") {
            if (!(v = value()) || v->empty()) return Fail("--out needs a file name");
            out = *v;
        } else if (a == "--folder") {
            if (!(v = value())) return Fail("--folder needs a path in the tree");
            folderPath = *v;
        } else if (a == "--sort") {
            if (!(v = value()) || (*v != "name" && *v != "size" && *v != "none"))
                return Fail("--sort needs name, size or none");
            sort = *v;
        } else if (a == "--header") {
            if (!(v = value())) return Fail("--header needs a text");
            settings.headerText = QString::fromLocal8Bit(v->c_str());
        } else if (a == "--delimiter") {
            if (!(v = value())) return Fail("--delimiter needs a character");
            settings.csvDelimiter = QString::fromLocal8Bit(v->c_str());
        } else if (a == "--number-format") {
            if (!(v = value())) return Fail("--number-format needs a format");
            settings.numberFormat = QString::fromLocal8Bit(v->c_str());
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "vantum-cli export: unknown option %s\n%s", EscapeForTerminal(a).c_str(), kUsage);
            return 2;
        } else if (input.empty()) {
            input = a;
        } else {
            std::fprintf(stderr, "%s", kUsage);
            return 2;
        }
    }
    if (input.empty() || out.empty() || format.empty()) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    if (format != "text" && format != "csv" && format != "html" && format != "xlsx")
        return Fail("unknown format \"" + format + "\" (text, csv, html or xlsx)");
    if (format == "csv" && !exporting::IsCsvDelimiter(settings.csvDelimiter))
        return Fail(exporting::CsvDelimiterMessage().toStdString());

    struct stat st {};
    if (::stat(input.c_str(), &st) != 0) return Fail(input + " does not exist");
    TSizeTree tree;
    if (S_ISDIR(st.st_mode)) {
        char cwd[4096];
        if (input[0] != '/' && ::getcwd(cwd, sizeof cwd)) input = std::string(cwd) + "/" + input;
        ScanResult r = Scan(tree, input, ScanOptions{}, NullProgress());
        if (!r.top || r.aborted) return Fail("the scan of " + input + " did not finish");
    } else {
        LoadFromFile(tree, input);  // errors reach main, which prints them and fails
    }
    TSizeFolder* folder = tree.Top();
    if (!folder) return Fail(input + " holds no size tree");
    if (!folderPath.empty()) {
        std::string want = folderPath;
        if (want.size() > 1 && want.back() == '/') want.pop_back();
        folder = tree.FindFolder(want);
        if (folder->Path() != want) return Fail("no folder " + folderPath + " in the tree");
    }
    views::SortForCharts(*folder, sort == "name" ? 0 : sort == "size" ? 1 : 2);
    const exporting::ExportRows rows = exporting::BuildExportRows(*folder);

    try {
        if (format == "text") {
            exporting::WriteTextExport(rows, settings, out);
        } else if (format == "csv") {
            exporting::WriteCsvExport(rows, settings, out);
        } else if (format == "xlsx") {
            const QString warning = exporting::WriteSpreadsheet(rows, settings, out);
            if (!warning.isEmpty()) std::fprintf(stderr, "vantum-cli export: %s\n", warning.toLocal8Bit().constData());
        } else {
            // The charts are drawn into images; no display is needed for that.
            if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            static int argc = 1;
            static char name[] = "vantum-cli";
            static char* argv[] = {name, nullptr};
            QApplication app(argc, argv);
            exporting::WriteHtmlReport(rows, settings, exporting::RenderChartPictures(*folder), out);
        }
    } catch (const exporting::ExportError& e) {
        std::fprintf(stderr, "vantum-cli export: %s\n", EscapeForTerminal(e.what()).c_str());
        return 1;
    }
    std::printf("Exported %zu folder%s of %s to %s\n", rows.rows.size(), rows.rows.size() == 1 ? "" : "s",
                EscapeForTerminal(folder->Path()).c_str(), EscapeForTerminal(out).c_str());
    return 0;
}

static const CliCommand reg{"export",
                            "export TREE.vtr|FOLDER --format text|csv|html|xlsx -o FILE [--folder PATH] [--sort "
                            "name|size|none] [--header T] [--delimiter D] [--number-format F]",
                            &Run};

}  // namespace vantum::cli
