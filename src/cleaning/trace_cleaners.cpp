#include "cleaning/trace_cleaners.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <numeric>

namespace vantum::cleaning {

namespace {

constexpr size_t kVlcConfMaxBytes = 4u << 20;

// Removes (or, listing, only reports) the chosen entries of the recent-documents list.
CleanReport RecentEntries(const RecentDocuments& list, const std::vector<size_t>& chosen, bool listOnly) {
    CleanReport report;
    if (!list.xbelError.empty()) report.skipped.push_back(list.xbelError);
    if (!listOnly) {
        report.Add(DeleteRecentDocuments(list, chosen));
        return report;
    }
    for (size_t i : chosen) {
        const auto& item = list.items[i];
        report.removed.push_back(item.target);
        ++report.items;
        if (item.source == RecentDocument::Source::KdeDesktopFile) {
            report.bytesFreed += item.fileStamp.size;
        } else {
            const auto& b = list.xbel->bookmarks[item.xbelIndex];
            report.bytesFreed += b.cutEnd - b.cutBegin;
        }
    }
    return report;
}

}  // namespace

TraceFolders TraceFolders::ForSession() {
    TraceFolders f;
    f.browsers = BrowserFolders::ForSession();
    const char* data = std::getenv("XDG_DATA_HOME");
    f.dataHome = (data && *data == '/') ? std::string(data) : f.browsers.home + "/.local/share";
    return f;
}

std::vector<size_t> MediaEntries(const RecentDocuments& list) {
    std::vector<size_t> out;
    for (size_t i = 0; i < list.items.size(); ++i) {
        const auto& m = list.items[i].mimeType;
        if (m.rfind("audio/", 0) == 0 || m.rfind("video/", 0) == 0) out.push_back(i);
    }
    return out;
}

CleanReport CleanVlcRecentMedia(const std::string& configHome, bool listOnly) {
    CleanReport report;
    const std::string file = configHome + "/vlc/vlc-qt-interface.conf";
    auto stamp = StampOf(file);
    if (!stamp) return report;
    if (!S_ISREG(stamp->mode) || stamp->size > kVlcConfMaxBytes) {
        report.skipped.push_back(file + ": not a settings file of VLC, left alone");
        return report;
    }
    std::ifstream in(file, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string out;
    bool inRecents = false;
    size_t entries = 0, pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        end = end == std::string::npos ? text.size() : end + 1;
        std::string_view line(text.data() + pos, end - pos);
        pos = end;
        if (!line.empty() && line.front() == '[') inRecents = line.rfind("[RecentsMRL]", 0) == 0;
        if (inRecents && (line.rfind("list=", 0) == 0 || line.rfind("times=", 0) == 0)) {
            if (line.rfind("list=", 0) == 0) {
                std::string_view v = line.substr(5);
                while (!v.empty() && (v.back() == '\n' || v.back() == '\r')) v.remove_suffix(1);
                if (!v.empty() && v != "@Invalid()") entries += 1 + static_cast<size_t>(std::count(v.begin(), v.end(), ','));
            }
            continue;
        }
        out += line;
    }
    if (out == text) return report;
    if (!listOnly) {
        std::string why;
        if (ReplaceIfUnchanged(file, *stamp, out, &why) != ReplaceOutcome::Replaced) {
            report.skipped.push_back(why);
            return report;
        }
    }
    report.removed.push_back("VLC recent media in " + file + ": " + std::to_string(entries) + " entries");
    report.items += entries;
    report.bytesFreed += text.size() - out.size();
    return report;
}

std::vector<TraceCleaner> TraceCleaners(const TraceFolders& f) {
    std::vector<TraceCleaner> out;
    out.push_back({"browser-cache", "browser caches",
                   [f](bool listOnly) { return CleanBrowserCaches(FindBrowserProfiles(f.browsers), listOnly); }});
    out.push_back({"browser-history", "browser histories",
                   [f](bool listOnly) { return CleanBrowserHistory(FindBrowserProfiles(f.browsers), listOnly); }});
    out.push_back({"recent-documents", "recently used documents", [f](bool listOnly) {
                       auto list = LoadRecentDocuments(f.dataHome, f.browsers.home);
                       std::vector<size_t> all(list.items.size());
                       std::iota(all.begin(), all.end(), size_t{0});
                       return RecentEntries(list, all, listOnly);
                   }});
    out.push_back({"media-history", "media players' recent files", [f](bool listOnly) {
                       auto list = LoadRecentDocuments(f.dataHome, f.browsers.home);
                       CleanReport report = RecentEntries(list, MediaEntries(list), listOnly);
                       report.Add(CleanVlcRecentMedia(f.browsers.configHome, listOnly));
                       return report;
                   }});
    return out;
}

}  // namespace vantum::cleaning
