// Reading a size log of ten years (3 650 days), as the log window does when it opens, against
// Python's configparser on the same file. Run: build/src/sizelog/bench_sizelog
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "sizelog/size_log.h"

int main() {
    char tmpl[] = "/tmp/vantum-sizelog-bench-XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    const std::string log = std::string(tmpl) + "/Sizereport.log";
    {
        std::FILE* f = std::fopen(log.c_str(), "w");
        for (int i = 0; i < 3650; ++i)
            std::fprintf(f, "[%04d-%03d]\nFree=%lld\nUsed=%lld\n", 2017 + i / 365, 1 + i % 365,
                         70000000000LL + i * 4096LL, 190000000000LL - i * 4096LL);
        std::fclose(f);
    }
    using Clock = std::chrono::steady_clock;
    const int runs = 20;
    auto t0 = Clock::now();
    std::size_t n = 0;
    for (int i = 0; i < runs; ++i) n += vantum::sizelog::ReadSizeLog(log).size();
    double ours = std::chrono::duration<double, std::milli>(Clock::now() - t0).count() / runs;

    std::string py = "python3 -c \"import configparser,time\nt=time.perf_counter()\nfor _ in range(" +
                     std::to_string(runs) + "):\n c=configparser.RawConfigParser(strict=False); c.read('" + log +
                     "'); [(c[s]['Free'],c[s]['Used']) for s in c.sections()]\nprint((time.perf_counter()-t)*1000/" +
                     std::to_string(runs) + ")\"";
    double peer = 0;
    if (std::FILE* p = popen(py.c_str(), "r")) {
        if (std::fscanf(p, "%lf", &peer) != 1) peer = 0;
        pclose(p);
    }
    std::printf("entries %zu\nReadSizeLog        %8.2f ms\npython configparser %8.2f ms\nratio (peer/ours)   %8.2f\n",
                n / runs, ours, peer, ours > 0 ? peer / ours : 0.0);
    std::remove(log.c_str());
    rmdir(tmpl);
    return 0;
}
