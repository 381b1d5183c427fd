#pragma once
// Import of REGEDIT4 files into the registry store: the whole file is checked first and
// nothing is imported from a file that is malformed in any line.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_store.h"

namespace vantum::cleaning {

struct RegImportValue {
    platform::RegValue value;
    bool remove = false;  // "name"=-
};

struct RegImportKey {
    platform::RegRoot root = platform::RegRoot::CurrentUser;
    std::string path;     // below the root; empty for the root itself
    bool remove = false;  // [-root\path]
    std::vector<RegImportValue> values;
};

// Accepts what the REGEDIT4 export writes and the usual hand-edited forms: LF or CRLF line
// ends, blank and ";" comment lines, "hex(N):" typed data, continuation lines after "\" with
// leading blanks, the "-" forms that delete a key or a value. Nullopt with the reason (naming
// the line) in *error for anything else, including a file cut off in the middle of a line.
std::optional<std::vector<RegImportKey>> ParseRegedit4(std::string_view text, std::string* error);

// Applies parsed keys to the store in one update: creates keys, sets values, deletes what the
// "-" forms name. False with the store's reason when the store refuses.
bool ApplyRegedit4(platform::RegistryStore& store, const std::vector<RegImportKey>& keys, std::string* error);

// Reads, parses and applies a .reg file. *error is a message for the user on failure.
bool ImportRegistryFile(platform::RegistryStore& store, const std::string& fileName, std::string* error);

}  // namespace vantum::cleaning
