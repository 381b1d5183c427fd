// vantum-cli size-log [--write]: the fixed drives' space now and the disk size log; --write adds
// today's entry (for a systemd user timer that logs without the window).
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/commands.h"
#include "cli/tree_report.h"
#include "settings/settings_path.h"
#include "sizelog/drive_totals.h"
#include "sizelog/size_log.h"

namespace vantum::cli {

static int Run(const Args& args) {
    bool write = false;
    for (const std::string& a : args) {
        if (a == "--write") {
            write = true;
        } else {
            std::fprintf(stderr, "usage: vantum-cli size-log [--write]\n");
            return 2;
        }
    }
    using namespace vantum::sizelog;
    const std::string logPath = settings::SizeLogPath();
    std::vector<std::string> drives = ListFixedDrives();
    std::printf("%-30s %20s %20s %20s\n", "Drive", "Size", "Free", "Used");
    DriveTotals totals;
    for (const std::string& d : drives) {
        std::optional<DriveSpace> s = QueryDriveSpace(d);
        if (!s) {
            std::printf("%-30s %20s\n", EscapeForTerminal(d).c_str(), "(cannot be queried)");
            totals.skipped.push_back(d);
            continue;
        }
        std::printf("%-30s %20" PRIu64 " %20" PRIu64 " %20" PRIu64 "\n", EscapeForTerminal(d).c_str(), s->total,
                    s->avail, s->used());
        totals.free += static_cast<std::int64_t>(s->avail);
        totals.used += static_cast<std::int64_t>(s->used());
    }
    std::printf("%-30s %20s %20" PRId64 " %20" PRId64 "\n", "Total", "", totals.free, totals.used);

    if (write) {
        // A timer may log before the window ever created the settings folder.
        std::error_code ec;
        std::filesystem::create_directories(settings::AppDataFolder(), ec);
        SizeLogResult r = WriteSizeLogEntry(logPath, TodayIso(), totals);
        if (!r) {
            std::fprintf(stderr, "vantum-cli size-log: %s\n", EscapeForTerminal(r.message).c_str());
            return 1;
        }
        std::printf("Written to %s\n", EscapeForTerminal(logPath).c_str());
    }
    std::vector<SizeLogEntry> log = ReadSizeLog(logPath);
    std::printf("\nLog %s: %zu entries\n", EscapeForTerminal(logPath).c_str(), log.size());
    for (const SizeLogEntry& e : log)
        std::printf("%-30s %20s %20" PRId64 " %20" PRId64 "\n", EscapeForTerminal(e.day).c_str(), "", e.free, e.used);
    return totals.skipped.empty() ? 0 : 3;
}

static const CliCommand reg{"size-log", "size-log [--write]  -- free and used space of the fixed drives and the disk size log;"
                                        " --write adds (or replaces) today's entry", &Run};

}  // namespace vantum::cli
