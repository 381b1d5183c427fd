#pragma once
// Registering Vantum for its two file types with the desktop: a shared-mime-info package for
// .vtr and .lec, a vantum.desktop entry that opens them, and the default application in
// mimeapps.list. Unregistering removes exactly what registering wrote: what was added to
// mimeapps.list is recorded, so the file reads as before byte for byte.

#include <string>

namespace vantum::prefs {

inline constexpr const char* kTreeMimeType = "application/x-vantum-tree";           // *.vtr
inline constexpr const char* kEncryptedMimeType = "application/x-vantum-encrypted";  // *.lec
inline constexpr const char* kDesktopFileName = "vantum.desktop";

// Where the files go: $XDG_DATA_HOME (~/.local/share) and $XDG_CONFIG_HOME (~/.config).
struct XdgFolders {
    std::string dataHome;
    std::string configHome;
    static XdgFolders FromEnvironment();
    std::string mimePackage() const;   // <data>/mime/packages/vantum.xml
    std::string desktopEntry() const;  // <data>/applications/vantum.desktop
    std::string mimeAppsList() const;  // <config>/mimeapps.list
    std::string stateFile() const;     // <data>/vantum/file-types: what registering changed
};

// The shared-mime-info package of both types.
std::string MimePackageXml();

// One argument of an Exec= line, quoted by the Desktop Entry rules and escaped for the value
// of a key. Empty when the text cannot stand there (not UTF-8, control characters).
std::string QuoteExecArgument(const std::string& arg);

// The desktop entry; program is the Exec= program: an absolute path is quoted, "vantum" (the
// installed entry) stands as it is. Empty when the path cannot be written (see above).
std::string DesktopEntryText(const std::string& program);

// The running program's path (/proc/self/exe).
std::string RunningProgramPath();

struct RegistrationResult {
    bool ok = true;
    std::string message;  // for the user when !ok
    explicit operator bool() const { return ok; }
};

// Writes the package, the entry and our lines of mimeapps.list, then runs update-mime-database
// and update-desktop-database on the user's folders (runTools = false leaves them out).
RegistrationResult RegisterFileTypes(const XdgFolders& where, const std::string& program, bool runTools = true);
// Removes what RegisterFileTypes wrote; nothing to remove is no failure.
RegistrationResult UnregisterFileTypes(const XdgFolders& where, bool runTools = true);
// Whether our desktop entry is registered.
bool FileTypesRegistered(const XdgFolders& where);

// The edits of mimeapps.list, on its text (exposed for tests). AddDefaults returns the new text
// and the record that RemoveDefaults needs to take the edit back.
struct MimeAppsEdit {
    std::string text;
    std::string record;
};
MimeAppsEdit AddDefaults(const std::string& mimeApps);
std::string RemoveDefaults(const std::string& mimeApps, const std::string& record);

}  // namespace vantum::prefs
