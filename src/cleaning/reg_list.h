#pragma once
// The list a registry list editor shows: the values of one key of our registry store as rows of
// name and data text, with delete, add, backup and restore. Restoring reads a REGEDIT4 file and
// applies it only when every key in it is the edited key itself (shown first as a plan); adding
// writes the value only (no sub-key of the same name); a missing key is an empty list.

#include <optional>
#include <string>
#include <vector>

#include "cleaning/reg_import.h"
#include "platform/registry_store.h"

namespace vantum::cleaning {

struct RegListRow {
    std::string name;  // empty: the key's default value
    std::string data;  // the value as text
};

// Writes a REGEDIT4 export of root\key to stem + "_dd_mm__hh_nn" + ".reg" (local time), or with
// "_2", "_3", ... before ".reg" when that name is taken: an earlier backup is never replaced.
bool WriteRegistryBackup(const platform::RegistryStore& store, platform::RegRoot root, std::string_view key,
                         const std::string& stem, std::string* file, std::string* error);

// The keys of a REGEDIT4 file, when each is root\key itself and none deletes it; nullopt with
// the reason (naming the first other key) otherwise.
std::optional<std::vector<RegImportKey>> RegeditForKeyOnly(const std::string& regFile, platform::RegRoot root,
                                                           std::string_view key, std::string* error);

class RegistryKeyList {
public:
    RegistryKeyList(platform::RegistryStore& store, platform::RegRoot root, std::string key)
        : store_(store), root_(root), key_(std::move(key)) {}

    bool KeyExists() const { return store_.KeyExists(root_, key_); }
    std::vector<RegListRow> Rows() const;
    // Deletes the named values; the number deleted. Nothing when the key does not exist.
    size_t Delete(const std::vector<std::string>& names);
    // Writes the string value; false with the reason when the key does not exist or the store
    // refuses.
    bool Add(const std::string& name, const std::string& value, std::string* error);
    bool Backup(const std::string& stem, std::string* file, std::string* error) const {
        return WriteRegistryBackup(store_, root_, key_, stem, file, error);
    }
    std::optional<std::vector<RegImportKey>> PlanRestore(const std::string& regFile, std::string* error) const {
        return RegeditForKeyOnly(regFile, root_, key_, error);
    }
    bool Restore(const std::vector<RegImportKey>& plan, std::string* error) { return ApplyRegedit4(store_, plan, error); }

private:
    platform::RegistryStore& store_;
    platform::RegRoot root_;
    std::string key_;
};

}  // namespace vantum::cleaning
