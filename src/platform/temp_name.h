#pragma once
// Names for the temporary file of an atomic write (write beside the target, then rename).

#include <string>

namespace vantum::platform {

// folder + "/." + the start of name + suffix, with the start of name cut (never inside a UTF-8
// sequence) so that the temporary name fits the folder's file-name limit: a target whose
// name already uses all 255 bytes still gets a temporary file. The suffix is kept whole
// (mkstemp's "XXXXXX" must end the name); a suffix too long for any name is the caller's fault.
std::string TempNameBeside(const std::string& folder, const std::string& name, const std::string& suffix);

// The longest file name the folder's file system takes, in bytes (NAME_MAX when unknown).
long MaxNameLength(const std::string& folder);

}  // namespace vantum::platform
