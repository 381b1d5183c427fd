// Timing of the settings file: opening, reading and writing one key, and the one atomic save at
// exit, on a file of a few hundred keys. With Qt, QSettings in ini format is measured in the
// same run as a peer. Usage: bench_settings [folder]   (default: a fresh folder under /tmp)
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "settings/history_lists.h"
#include "settings/ini_file.h"
#include "settings/settings_load.h"

#ifdef VANTUM_BENCH_QSETTINGS
#include <QSettings>
#include <QString>
#endif

using vantum::settings::IniFile;
using Clock = std::chrono::steady_clock;

namespace {

// Median of runs of fn, in microseconds per call.
double Measure(int runs, int callsPerRun, const std::function<void()>& fn) {
    std::vector<double> t;
    for (int r = 0; r < runs; ++r) {
        auto a = Clock::now();
        for (int i = 0; i < callsPerRun; ++i) fn();
        auto b = Clock::now();
        t.push_back(std::chrono::duration<double, std::micro>(b - a).count() / callsPerRun);
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

std::string SampleFile(int sections, int keysPerSection) {
    std::string s;
    for (int i = 0; i < sections; ++i) {
        s += "[Section" + std::to_string(i) + "]\n";
        for (int k = 0; k < keysPerSection; ++k)
            s += "Key " + std::to_string(k) + "=/home/user/some/folder/" + std::to_string(i * 100 + k) + "\n";
    }
    return s;
}

void Row(const char* what, double ours, double peer) {
    if (peer > 0)
        std::printf("%-44s %10.2f us   QSettings %10.2f us   ratio %6.2f\n", what, ours, peer, ours / peer);
    else
        std::printf("%-44s %10.2f us\n", what, ours);
}

}  // namespace

int main(int argc, char** argv) {
    std::string dir;
    if (argc > 1) {
        dir = argv[1];
    } else {
        char tmpl[] = "/tmp/vantum-bench-XXXXXX";
        if (!::mkdtemp(tmpl)) return 1;
        dir = tmpl;
    }
    const std::string path = dir + "/Vantu.ini";
    const int sections = 20, keysPerSection = 20;  // 400 keys, about 16 kB
    const std::string text = SampleFile(sections, keysPerSection);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    std::printf("file: %d keys, %zu bytes\n", sections * keysPerSection, text.size());

    IniFile open(path);
    const double tOpen = Measure(15, 50, [&] { IniFile f(path); });
    const double tReadLast = Measure(15, 2000, [&] {
        volatile int v = open.ReadInteger("section19", "key 19", 0);
        (void)v;
    });
    const double tReadMissing = Measure(15, 2000, [&] {
        volatile int v = open.ReadInteger("Section19", "missing", 0);
        (void)v;
    });
    int n = 0;
    const double tWriteReplace = Measure(15, 2000, [&] { open.WriteInteger("Section10", "Key 10", ++n); });
    const double tWriteAppend = Measure(5, 200, [&] {
        ++n;
        open.WriteInteger("Section10", "New" + std::to_string(n), n);
    });
    const double tSave = Measure(9, 5, [&] {
        IniFile f(path);
        f.WriteInteger("Section5", "Key 5", ++n);
        if (!f.Save()) std::abort();
    });
    // The whole Save at exit: every key of the main window and both lists, one atomic write.
    vantum::settings::MainWindowSettings mw;
    for (int i = 0; i < 51; ++i) mw.history.push_back("/home/user/folder" + std::to_string(i) + "/");
    mw.tempFolders = {"/tmp", "/var/tmp"};
    const double tExit = Measure(9, 5, [&] {
        ++mw.left;
        if (!vantum::settings::SaveMainWindowSettings(path, mw, true)) std::abort();
    });

    double qOpen = 0, qRead = 0, qWrite = 0, qSave = 0;
#ifdef VANTUM_BENCH_QSETTINGS
    const std::string qpath = dir + "/peer.ini";
    {
        std::string qtext;
        for (int i = 0; i < sections; ++i) {
            qtext += "[Section" + std::to_string(i) + "]\n";
            for (int k = 0; k < keysPerSection; ++k)
                qtext += "Key" + std::to_string(k) + "=/home/user/some/folder/" + std::to_string(i * 100 + k) + "\n";
        }
        std::ofstream(qpath, std::ios::binary | std::ios::trunc) << qtext;
    }
    const QString qp = QString::fromStdString(qpath);
    qOpen = Measure(15, 50, [&] {
        QSettings s(qp, QSettings::IniFormat);
        volatile int v = s.value("Section19/Key19").toInt();
        (void)v;
    });
    QSettings qs(qp, QSettings::IniFormat);
    qRead = Measure(15, 2000, [&] {
        volatile int v = qs.value("Section19/Key19").toInt();
        (void)v;
    });
    qWrite = Measure(15, 2000, [&] { qs.setValue("Section10/Key10", ++n); });
    qSave = Measure(9, 5, [&] {
        QSettings s(qp, QSettings::IniFormat);
        s.setValue("Section5/Key5", ++n);
        s.sync();
    });
#endif
    Row("open and parse the file", tOpen, qOpen);
    Row("read a key (last section, file open)", tReadLast, qRead);
    Row("read a missing key (file open)", tReadMissing, 0);
    Row("write a key in place (in memory)", tWriteReplace, qWrite);
    Row("write a new key (appended, in memory)", tWriteAppend, 0);
    Row("open + write one key + atomic save", tSave, qSave);
    Row("whole Save at exit (one atomic write)", tExit, 0);
    if (argc <= 1) std::filesystem::remove_all(dir);
    return 0;
}
