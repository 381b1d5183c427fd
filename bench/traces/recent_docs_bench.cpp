// Timing of the recent-documents editor and the registry import.
//   xbel FILE: loads the list, deletes 10 entries spread over it, prints load_s and delete_s.
//   reg FILE STORE: imports a REGEDIT4 file into a fresh store folder, prints import_s.
#include <chrono>
#include <cstdio>
#include <string>

#include "cleaning/recent_documents.h"
#include "cleaning/reg_import.h"
#include "platform/registry_store.h"

using Clock = std::chrono::steady_clock;

static double Since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "xbel" && argc == 3) {
        std::string file = argv[2];
        std::string folder = file.substr(0, file.rfind('/'));
        auto t0 = Clock::now();
        auto list = vantum::cleaning::LoadRecentDocuments(folder, "/");
        double load = Since(t0);
        if (!list.xbelError.empty() || list.items.size() < 10) {
            std::fprintf(stderr, "%s\n", list.xbelError.c_str());
            return 1;
        }
        std::vector<size_t> chosen;
        for (size_t i = 0; i < 10; ++i) chosen.push_back(i * (list.items.size() - 1) / 9);
        t0 = Clock::now();
        auto report = vantum::cleaning::DeleteRecentDocuments(list, chosen);
        double del = Since(t0);
        std::printf("entries %zu\nremoved %zu\nload_s %.4f\ndelete_s %.4f\n", list.items.size(), report.removed.size(), load, del);
        return report.removed.size() == 10 ? 0 : 1;
    }
    if (mode == "reg" && argc == 4) {
        vantum::platform::FileRegistryStore store(argv[3]);
        std::string error;
        auto t0 = Clock::now();
        bool ok = vantum::cleaning::ImportRegistryFile(store, argv[2], &error);
        std::printf("import_s %.4f\n", Since(t0));
        if (!ok) std::fprintf(stderr, "%s\n", error.c_str());
        return ok ? 0 : 1;
    }
    std::fprintf(stderr, "usage: recent_docs_bench xbel FILE | reg FILE STOREFOLDER\n");
    return 2;
}
