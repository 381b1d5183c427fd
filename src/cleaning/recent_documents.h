#pragma once
// The desktop's recent documents: the <bookmark> entries of recently-used.xbel (GTK and most
// desktops) and KDE's RecentDocuments/*.desktop files, listed together with their targets and
// dates; searched by substring; selected entries deleted.
//
// Deleting xbel entries rewrites the file atomically with only those elements cut out, and only
// when no program changed the file since it was read (modification time and size); KDE entries
// are their own files, removed one by one after checking they are still what was listed.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cleaning/clean_report.h"
#include "cleaning/file_guard.h"
#include "cleaning/xbel_file.h"

namespace vantum::cleaning {

struct RecentDocument {
    enum class Source { Xbel, KdeDesktopFile };
    Source source = Source::Xbel;
    std::string target;    // the local path the entry points at, else its URI
    std::string uri;       // as the list holds it
    std::string title;
    std::string mimeType;  // xbel entries only
    std::string date;      // ISO 8601: last modified or visited for xbel, the file's time for KDE
    std::string file;      // the .desktop file of a KDE entry
    FileStamp fileStamp;   // that file as it was listed
    size_t xbelIndex = 0;  // position among the xbel's bookmarks
};

struct RecentDocuments {
    std::string xbelPath;                // <dataHome>/recently-used.xbel
    std::optional<XbelDocument> xbel;    // nullopt when missing or unreadable
    FileStamp xbelStamp;
    std::string xbelError;               // why the xbel could not be read (empty when missing)
    std::string kdeFolder;               // <dataHome>/RecentDocuments
    std::vector<RecentDocument> items;   // xbel entries in file order, then KDE entries by name
};

// Reads both lists below dataHome ($XDG_DATA_HOME, normally ~/.local/share). home expands
// "$HOME" in KDE URLs.
RecentDocuments LoadRecentDocuments(const std::string& dataHome, const std::string& home);

// Indexes of the items whose target contains text (case-sensitive); nothing for empty text.
std::vector<size_t> SearchRecentDocuments(const RecentDocuments& list, std::string_view text);

// Deletes the items at the given indexes of list.items (others out of range are ignored).
CleanReport DeleteRecentDocuments(const RecentDocuments& list, const std::vector<size_t>& selected);

}  // namespace vantum::cleaning
