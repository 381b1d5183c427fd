#include "cleaning/recent_documents.h"
#include "cleaning/file_guard.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>

#include "cleaning/desktop_entry.h"

namespace vantum::cleaning {

namespace {

constexpr size_t kDesktopFileMaxBytes = 64 * 1024;

std::string IsoTime(std::int64_t sec) {
    std::time_t t = static_cast<std::time_t>(sec);
    std::tm tm {};
    ::gmtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return buf;
}

// The URL of a KDE recent-document entry: "URL=" or "URL[$e]=" in [Desktop Entry].
std::string KdeUrl(std::string_view text, const std::string& home) {
    bool inEntry = false;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!line.empty() && line.front() == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry) continue;
        bool expand = false;
        if (line.substr(0, 4) == "URL=") {
            line.remove_prefix(4);
        } else if (line.substr(0, 8) == "URL[$e]=") {
            line.remove_prefix(8);
            expand = true;
        } else {
            continue;
        }
        std::string url(line);
        size_t at = url.find("$HOME");
        if (expand && at != std::string::npos) url.replace(at, 5, home);
        return url;
    }
    return {};
}

void LoadXbel(RecentDocuments& list) {
    auto stamp = StampOf(list.xbelPath);
    if (!stamp) {
        if (errno != ENOENT) list.xbelError = "Cannot read " + list.xbelPath + ": " + std::strerror(errno);
        return;
    }
    if (!S_ISREG(stamp->mode)) {
        list.xbelError = list.xbelPath + " is not a regular file; it is left as it is";
        return;
    }
    if (stamp->size > kXbelMaxBytes) {
        list.xbelError = list.xbelPath + " is larger than " + std::to_string(kXbelMaxBytes >> 20) + " MB";
        return;
    }
    auto bytes = ReadSmallFile(list.xbelPath, kXbelMaxBytes);
    if (!bytes) {
        list.xbelError = "Cannot read " + list.xbelPath;
        return;
    }
    std::string why;
    auto doc = ParseXbel(std::move(*bytes), &why);
    if (!doc) {
        list.xbelError = list.xbelPath + " is not a valid list of recent files (" + why + "); it is left as it is";
        return;
    }
    list.xbelStamp = *stamp;
    list.xbel = std::move(doc);
    for (size_t i = 0; i < list.xbel->bookmarks.size(); ++i) {
        const auto& b = list.xbel->bookmarks[i];
        RecentDocument d;
        d.source = RecentDocument::Source::Xbel;
        d.uri = b.href;
        d.target = b.target.empty() ? b.href : b.target;
        d.title = b.title;
        d.mimeType = b.mimeType;
        d.date = !b.visited.empty() ? b.visited : !b.modified.empty() ? b.modified : b.added;
        d.xbelIndex = i;
        list.items.push_back(std::move(d));
    }
}

void LoadKde(RecentDocuments& list, const std::string& home) {
    DIR* dir = ::opendir(list.kdeFolder.c_str());
    if (!dir) return;
    std::vector<std::string> names;
    while (dirent* e = ::readdir(dir)) {
        std::string_view n = e->d_name;
        if (n.size() > 8 && n.substr(n.size() - 8) == ".desktop") names.emplace_back(n);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    for (const auto& name : names) {
        std::string path = list.kdeFolder + "/" + name;
        auto stamp = StampOf(path);
        if (!stamp || !S_ISREG(stamp->mode)) continue;
        auto text = ReadSmallFile(path, kDesktopFileMaxBytes);
        RecentDocument d;
        d.source = RecentDocument::Source::KdeDesktopFile;
        d.file = path;
        d.fileStamp = *stamp;
        d.uri = text ? KdeUrl(*text, home) : std::string();
        auto local = LocalPathOfFileUrl(d.uri);
        d.target = local ? *local : d.uri.empty() ? path : d.uri;
        d.title = name.substr(0, name.size() - 8);
        d.date = IsoTime(stamp->mtimeSec);
        list.items.push_back(std::move(d));
    }
}

}  // namespace

RecentDocuments LoadRecentDocuments(const std::string& dataHome, const std::string& home) {
    RecentDocuments list;
    list.xbelPath = dataHome + "/recently-used.xbel";
    list.kdeFolder = dataHome + "/RecentDocuments";
    LoadXbel(list);
    LoadKde(list, home);
    return list;
}

std::vector<size_t> SearchRecentDocuments(const RecentDocuments& list, std::string_view text) {
    std::vector<size_t> hits;
    if (text.empty()) return hits;
    for (size_t i = 0; i < list.items.size(); ++i)
        if (list.items[i].target.find(text) != std::string::npos) hits.push_back(i);
    return hits;
}

CleanReport DeleteRecentDocuments(const RecentDocuments& list, const std::vector<size_t>& selected) {
    CleanReport report;
    std::vector<size_t> xbelIndexes;
    std::vector<const RecentDocument*> xbelItems;
    std::vector<size_t> sorted = selected;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    for (size_t i : sorted) {
        if (i >= list.items.size()) continue;
        const auto& item = list.items[i];
        if (item.source == RecentDocument::Source::Xbel) {
            xbelIndexes.push_back(item.xbelIndex);
            xbelItems.push_back(&item);
            continue;
        }
        std::string why;
        if (RemoveListedEntry(item.file, item.fileStamp, &why)) {
            report.removed.push_back(item.file);
            report.bytesFreed += item.fileStamp.size;
            ++report.items;
        } else {
            report.skipped.push_back(why);
        }
    }
    if (xbelIndexes.empty()) return report;
    if (!list.xbel) {
        for (const auto* item : xbelItems) report.skipped.push_back(item->target + ": " + list.xbelError);
        return report;
    }
    std::string text = XbelWithout(*list.xbel, xbelIndexes);
    std::string why;
    if (ReplaceIfUnchanged(list.xbelPath, list.xbelStamp, text, &why) == ReplaceOutcome::Replaced) {
        for (const auto* item : xbelItems) report.removed.push_back(item->target);
        report.items += xbelItems.size();
        report.bytesFreed += list.xbel->bytes.size() - text.size();
    } else {
        for (const auto* item : xbelItems) report.skipped.push_back(item->target + ": " + why);
    }
    return report;
}

}  // namespace vantum::cleaning
