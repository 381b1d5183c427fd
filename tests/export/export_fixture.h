#pragma once
// Size trees for the export tests, settings pinned to one locale and moment, and running the
// independent readers (python3 csv and openpyxl, xmllint) over what the writers wrote.

#include <QApplication>
#include <QDateTime>
#include <QProcess>
#include <string>
#include <vector>

#include "core/size_tree.h"
#include "export/export_settings.h"

namespace vantum::test {

inline void EnsureApplication() {
    if (QApplication::instance()) return;
    static int argc = 1;
    static char name[] = "test_export";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

struct Child {
    std::string name;
    double filesMB;
    double belowMB;
};

// A top folder at path with the given children (own size and size below each).
inline TSizeFolder* MakeTree(TSizeTree& tree, const std::string& path, const std::vector<Child>& children) {
    TSizeFolder* top = tree.Root->AddSubFolder(path);
    top->Name = path.substr(path.find_last_of('/') + 1);
    for (const Child& c : children) {
        TSizeFolder* f = top->AddChild(c.name);
        f->FilesSize = c.filesMB;
        f->SubFoldersSize = c.belowMB;
        top->SubFoldersSize += f->CumulatedSize();
    }
    return top;
}

// C locale, Tuesday 5 March 2024.
inline exporting::ExportSettings PinnedSettings() {
    exporting::ExportSettings s;
    s.locale = QLocale::c();
    s.now = QDateTime(QDate(2024, 3, 5), QTime(10, 30));
    return s;
}

struct ProcessResult {
    int exitCode = -1;
    std::string out, err;
};

inline ProcessResult RunProcess(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput().toStdString(),
            p.readAllStandardError().toStdString()};
}

// The system's python3 (with its Debian modules), running a script given inline.
inline ProcessResult RunPython(const std::string& script, const QStringList& args) {
    return RunProcess(QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral("-c"), QString::fromStdString(script)} + args);
}

}  // namespace vantum::test
