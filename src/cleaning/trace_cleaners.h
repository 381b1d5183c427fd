#pragma once
// The one-click trace cleaners, in the order "Clean all" runs them: browser cache, browser
// history, recent documents, media player history. Each lists what it would remove (touching
// nothing) or removes it, and reports both what it removed and what it skipped.
//
// Not here: typed URLs (no counterpart on the Linux desktop that is safe to edit), the temp
// folders and the trash (cleaned through their own services).

#include <functional>
#include <string>
#include <vector>

#include "cleaning/browser_traces.h"
#include "cleaning/clean_report.h"
#include "cleaning/recent_documents.h"

namespace vantum::cleaning {

struct TraceFolders {
    BrowserFolders browsers;
    std::string dataHome;  // $XDG_DATA_HOME or ~/.local/share
    static TraceFolders ForSession();
};

struct TraceCleaner {
    std::string name;     // for the command line: "browser-cache", ...
    std::string caption;  // what it cleans, for people
    std::function<CleanReport(bool listOnly)> run;
};

std::vector<TraceCleaner> TraceCleaners(const TraceFolders& folders);

// The recent-documents entries that are audio or video (by their MIME type).
std::vector<size_t> MediaEntries(const RecentDocuments& list);
// VLC's recent media list ([RecentsMRL] of vlc-qt-interface.conf below configHome): its
// list= and times= lines removed, every other line kept; the file replaced only when unchanged.
CleanReport CleanVlcRecentMedia(const std::string& configHome, bool listOnly);

}  // namespace vantum::cleaning
