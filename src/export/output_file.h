#pragma once
// Saving an export file in one piece: the target holds either its old content or the new one.

#include <string>

namespace vantum::exporting {

// ExportError with the file layer's text (it names the file) when anything fails.
void SaveWhole(const std::string& target, const std::string& content);

}  // namespace vantum::exporting
