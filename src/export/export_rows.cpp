#include "export/export_rows.h"

#include "core/size_tree.h"

namespace vantum::exporting {

ExportRows BuildExportRows(const TSizeFolder& folder) {
    ExportRows out;
    out.folderPath = folder.Path();
    out.rows.reserve(folder.SubFolders.size());
    for (const auto& child : folder.SubFolders) {
        ExportRow row{child->Name, child->Path(), child->FilesSize, child->CumulatedSize()};
        out.filesTotal += row.filesSize;
        out.cumulatedTotal += row.cumulatedSize;
        if (out.largest < 0 || row.cumulatedSize > out.rows[static_cast<size_t>(out.largest)].cumulatedSize)
            out.largest = static_cast<int>(out.rows.size());
        out.rows.push_back(std::move(row));
    }
    return out;
}

}  // namespace vantum::exporting
