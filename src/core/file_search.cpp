#include "core/file_search.h"

#include <algorithm>
#include <cstring>

#include "core/branch_walk.h"
#include "core/safe_file.h"
#include "core/wildcard.h"
#include "platform/dir_listing.h"

namespace vantum {

std::string SearchPrompt(const std::string& path) {
    return "Search in " + path + "\n\r" + "Enter Search string with wildcards e.g. name.*";
}

namespace {

void ListMatches(const std::string& path, const platform::FolderHandle& h, const Wildcard& pattern,
                 std::vector<std::string>& out) {
    if (!h.ok()) return;
    std::string dir = path;
    if (dir.empty() || dir.back() != '/') dir += '/';
    platform::FolderReader reader(h, false);
    platform::EntryView e;
    while (reader.Next(e)) {
        // A hidden folder stands where one with a second attribute besides "directory" would:
        // such folders are listed, plain ones are not.
        if (e.kind == platform::EntryKind::Folder && !e.hidden) continue;
        if (!pattern.Matches(e.name)) continue;
        std::string full;
        full.reserve(dir.size() + e.name.size());
        full.append(dir).append(e.name);
        out.push_back(std::move(full));
    }
}

}  // namespace

FileSearchResult FindFilesInTree(const TSizeFolder& start, const std::string& pattern, ProgressSink& sink,
                                 bool stepGauge) {
    FileSearchResult result;
    Wildcard wildcard(pattern);
    const bool listing = !wildcard.Empty();

    int position = 0;
    if (stepGauge) {
        const TSizeTree* tree = start.Tree();
        int total = tree ? tree->CountFolders(&start) : 0;
        sink.SizeRange(total);
    }

    // Folders are opened relative to their parents and never through a link: a folder that
    // was replaced by a link since the scan adds nothing.
    WalkBranch(start, [&](const TSizeFolder& f, const std::string& path, const platform::FolderHandle& h) {
        if (&f != &start && stepGauge) sink.SizeProgress(++position);
        if (listing && !result.stopped) ListMatches(path, h, wildcard, result.paths);
        sink.Idle();
        if (!result.stopped && sink.AbortRequested()) result.stopped = true;
        // Once stopped only the gauge is left to step.
        return !result.stopped || stepGauge;
    });
    return result;
}

FoundRow SplitFoundPath(const std::string& path) {
    FoundRow row;
    std::size_t slash = path.rfind('/');
    std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    row.folder = path.substr(0, nameStart);
    row.name = path.substr(nameStart);
    // A leading dot marks a hidden name, not an extension (".bashrc" has none).
    std::size_t dot = row.name.rfind('.');
    if (dot != std::string::npos && dot > 0) row.ext = row.name.substr(dot);
    return row;
}

void SortFoundRows(std::vector<FoundRow>& rows, FoundColumn column, FoundSortState& state) {
    const std::size_t c = static_cast<std::size_t>(column);
    auto key = [column](const FoundRow& r) -> const std::string& {
        switch (column) {
            case FoundColumn::Ext: return r.ext;
            case FoundColumn::FilePath: return r.folder;
            default: return r.name;
        }
    };
    const bool descending = state.descending[c];
    std::stable_sort(rows.begin(), rows.end(), [&](const FoundRow& a, const FoundRow& b) {
        int cmp = std::strcoll(key(a).c_str(), key(b).c_str());
        return descending ? cmp > 0 : cmp < 0;
    });
    state.descending[c] = !descending;
}

FoundListFormat FoundListFormatOfFilter(int filterIndex) {
    switch (filterIndex) {
        case 2: return FoundListFormat::CsvSemicolon;
        case 3: return FoundListFormat::CsvComma;
        default: return FoundListFormat::Text;
    }
}

void SaveFoundList(const std::string& fileName, const std::vector<std::string>& paths, FoundListFormat format) {
    AtomicFileWriter out(fileName);
    const char* end = format == FoundListFormat::Text ? "\r\n" : format == FoundListFormat::CsvSemicolon ? ";" : ",";
    const std::size_t endLen = std::strlen(end);
    for (const std::string& p : paths) {
        out.Write(p);
        out.Write(end, endLen);
    }
    out.Commit();
}

}  // namespace vantum
