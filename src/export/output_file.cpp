#include "export/output_file.h"

#include "core/safe_file.h"
#include "export/export_error.h"

namespace vantum::exporting {

void SaveWhole(const std::string& target, const std::string& content) {
    try {
        AtomicFileWriter out(target);
        out.Write(content);
        out.Commit();
    } catch (const FileError& e) {
        // The stream errors do not name the file; the user needs to know which one failed.
        if (e.kind() == FileError::Kind::Write)
            throw ExportError(std::string(e.what()) + ": \"" + target + "\"");
        throw ExportError(e.what());
    }
}

}  // namespace vantum::exporting
