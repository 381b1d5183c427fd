#pragma once
// XDG autostart as the list the registry editor edits: one row per entry that starts with the
// session (the entry's file name, its Exec= command line). The user's folder
// (~/.config/autostart) overrides the system folders ($XDG_CONFIG_DIRS/autostart, normally
// /etc/xdg/autostart) entry by entry; an entry whose file says Hidden=true is not started and
// not listed. Deleting removes the user's file, or masks a system entry with a user copy that
// carries Hidden=true. Backups are REGEDIT4 files of the autostart key, restored only into it.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cleaning/file_guard.h"
#include "cleaning/reg_import.h"

namespace vantum::cleaning {

// The key the backups name (the one the traces page's editor shows).
inline constexpr std::string_view kAutostartKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

struct AutostartEntry {
    std::string id;    // file name, "name.desktop"
    std::string name;  // Name=
    std::string exec;  // Exec=, its string escapes undone (the command line as written)
    std::string file;  // the file it comes from
    bool userFile = false;
    FileStamp stamp;   // that file as listed
};

// A command line for Exec= from arguments: each argument quoted where the Desktop Entry rules
// reserve a character, '%' doubled so no field code arises.
std::string ExecFromArguments(const std::vector<std::string>& args);

class XdgAutostart {
public:
    XdgAutostart(std::string userFolder, std::vector<std::string> systemFolders);
    // The folders of this session: $XDG_CONFIG_HOME (or ~/.config) and $XDG_CONFIG_DIRS (or
    // /etc/xdg), each with "/autostart".
    static XdgAutostart ForSession();

    const std::string& UserFolder() const { return user_; }

    // The entries that start with the session, sorted by id.
    std::vector<AutostartEntry> List() const;

    // Removes the entry with that id as the mapping above says. False with the reason.
    bool Delete(const std::string& id, std::string* error) const;

    // Writes a new user entry named `name` running the command line `exec` (as from
    // ExecFromArguments); its id is made from the name and never replaces a file. The new id
    // in *id.
    bool Add(const std::string& name, const std::string& exec, std::string* id, std::string* error) const;

    // Writes the list as a REGEDIT4 backup of kAutostartKey (HKEY_LOCAL_MACHINE) to a new file
    // stem + "_dd_mm__hh_nn" (+ "_2", "_3", ... when that name is taken) + ".reg"; never
    // replaces a file. The file's name in *file.
    bool Backup(const std::string& stem, std::string* file, std::string* error) const;

    // What restoring a backup would do; nullopt with the reason when the file is not a backup of
    // this key alone (a key other than kAutostartKey, or a removal of the key itself).
    struct RestorePlan {
        std::vector<std::pair<std::string, std::string>> add;      // id, Exec of entries to add
        std::vector<std::pair<std::string, std::string>> replace;  // id, new Exec
        std::vector<std::string> remove;                           // ids ("name"=-)
    };
    std::optional<RestorePlan> PlanRestore(const std::string& regFile, std::string* error) const;
    // Carries the plan out; false with the reasons of what failed (the rest is done).
    bool Restore(const RestorePlan& plan, std::string* error) const;

private:
    std::string user_;
    std::vector<std::string> system_;
};

}  // namespace vantum::cleaning
