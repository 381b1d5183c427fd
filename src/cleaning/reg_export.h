#pragma once
// Export of a registry key with its values and sub-keys as a REGEDIT4 text file.

#include <string>
#include <string_view>

#include "platform/registry_store.h"

namespace vantum::cleaning {

// Doubles every backslash and puts a backslash before every double quote.
std::string EscapeRegText(std::string_view text);

// The REGEDIT4 text of the key: "REGEDIT4", then per key (values first, then its sub-keys,
// depth first) an empty line, "[root\key]" and one line per value; CRLF line ends, no empty
// line at the end. A key that does not exist gets its header and nothing else. One trailing
// backslash of keyPath is dropped.
std::string FormatRegistryExport(const platform::RegistryStore& store, platform::RegRoot root, std::string_view keyPath);

// Writes that text to fileName, replacing the file. The text goes to a temporary file in the
// same folder first, so a failed export leaves an earlier file of that name untouched. False
// when the file could not be written.
bool ExportRegistryKey(const platform::RegistryStore& store, platform::RegRoot root, std::string_view keyPath,
                       const std::string& fileName);

}  // namespace vantum::cleaning
