#include "prefs/file_types.h"

#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "core/safe_file.h"

extern char** environ;

namespace vantum::prefs {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSection = "Default Applications";
constexpr const char* kOurMimeTypes[] = {kTreeMimeType, kEncryptedMimeType};

struct Line {
    std::string text;
    std::string eol;
};

std::vector<Line> Split(const std::string& s) {
    std::vector<Line> out;
    std::size_t pos = 0;
    while (pos < s.size()) {
        std::size_t nl = s.find('\n', pos);
        Line l;
        if (nl == std::string::npos) {
            l.text = s.substr(pos);
            pos = s.size();
        } else {
            l.text = s.substr(pos, nl - pos);
            l.eol = "\n";
            pos = nl + 1;
            if (!l.text.empty() && l.text.back() == '\r') {
                l.text.pop_back();
                l.eol = "\r\n";
            }
        }
        out.push_back(std::move(l));
    }
    return out;
}

std::string Join(const std::vector<Line>& lines) {
    std::string s;
    for (const Line& l : lines) s += l.text + l.eol;
    return s;
}

std::string Trim(const std::string& s) {
    std::size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

bool IsHeader(const std::string& text) { return Trim(text).rfind('[', 0) == 0; }

// The key of a "key=value" line; empty for headers, comments and blank lines.
std::string KeyOf(const std::string& text) {
    std::string t = Trim(text);
    if (t.empty() || t[0] == '#' || t[0] == '[') return {};
    std::size_t eq = t.find('=');
    return eq == std::string::npos ? std::string() : Trim(t.substr(0, eq));
}

std::string ValueOf(const std::string& text) {
    std::size_t eq = text.find('=');
    return eq == std::string::npos ? std::string() : Trim(text.substr(eq + 1));
}

int FindSection(const std::vector<Line>& lines) {
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (Trim(lines[i].text) == std::string("[") + kSection + "]") return static_cast<int>(i);
    return -1;
}

std::size_t SectionEnd(const std::vector<Line>& lines, std::size_t head) {
    std::size_t i = head + 1;
    while (i < lines.size() && !IsHeader(lines[i].text)) ++i;
    return i;
}

int FindKey(const std::vector<Line>& lines, std::size_t head, const std::string& key) {
    for (std::size_t i = head + 1, end = SectionEnd(lines, head); i < end; ++i)
        if (KeyOf(lines[i].text) == key) return static_cast<int>(i);
    return -1;
}

std::string OurLine(const char* mime) { return std::string(mime) + "=" + kDesktopFileName; }

bool ReadWhole(const std::string& path, std::string& out, bool& exists) {
    std::error_code ec;
    exists = fs::exists(fs::symlink_status(path, ec));
    out.clear();
    if (!exists) return true;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    out = ss.str();
    return !in.bad();
}

RegistrationResult Fail(std::string text) { return {false, std::move(text)}; }

RegistrationResult WriteFile(const std::string& path, const std::string& text) {
    try {
        std::error_code ec;
        fs::create_directories(fs::path(path).parent_path(), ec);
        AtomicFileWriter w(path);
        w.Write(text);
        w.Commit();
    } catch (const FileError& e) {
        return Fail(e.what());
    }
    return {};
}

RegistrationResult RemoveFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        return Fail("Cannot delete file \"" + path + "\". " + std::strerror(errno));
    return {};
}

// Runs a tool with its output discarded and waits for it.
RegistrationResult RunTool(const char* tool, const std::string& folder) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::string arg0 = tool;
    std::string arg1 = folder;
    char* argv[] = {arg0.data(), arg1.data(), nullptr};
    pid_t pid = 0;
    int err = posix_spawnp(&pid, tool, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (err != 0) return Fail(std::string(tool) + " could not be run: " + std::strerror(err));
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return Fail(std::string(tool) + " failed on \"" + folder + "\"");
    return {};
}

RegistrationResult RunTools(const XdgFolders& where) {
    RegistrationResult r = RunTool("update-mime-database", where.dataHome + "/mime");
    if (!r) return r;
    return RunTool("update-desktop-database", where.dataHome + "/applications");
}

bool ValidUtf8WithoutControls(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x20 || c == 0x7f) return false;
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0 || (c >= 0x80 && c < 0xc2)) return false;
        for (int k = 1; k <= extra; ++k)
            if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) & 0xc0) != 0x80) return false;
        i += extra + 1;
    }
    return true;
}

}  // namespace

XdgFolders XdgFolders::FromEnvironment() {
    auto env = [](const char* name) {
        const char* v = std::getenv(name);
        return std::string(v && v[0] == '/' ? v : "");
    };
    std::string home = env("HOME");
    if (home.empty()) {  // no HOME in the environment: the password database knows it
        if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) home = pw->pw_dir;
    }
    XdgFolders f;
    f.dataHome = env("XDG_DATA_HOME");
    if (f.dataHome.empty()) f.dataHome = home + "/.local/share";
    f.configHome = env("XDG_CONFIG_HOME");
    if (f.configHome.empty()) f.configHome = home + "/.config";
    return f;
}

std::string XdgFolders::mimePackage() const { return dataHome + "/mime/packages/vantum.xml"; }
std::string XdgFolders::desktopEntry() const { return dataHome + "/applications/" + kDesktopFileName; }
std::string XdgFolders::mimeAppsList() const { return configHome + "/mimeapps.list"; }
std::string XdgFolders::stateFile() const { return dataHome + "/vantum/file-types"; }

std::string MimePackageXml() {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
           "  <mime-type type=\"" + std::string(kTreeMimeType) + "\">\n"
           "    <comment>Vantum size tree</comment>\n"
           "    <glob pattern=\"*.vtr\"/>\n"
           "  </mime-type>\n"
           "  <mime-type type=\"" + std::string(kEncryptedMimeType) + "\">\n"
           "    <comment>Vantum encrypted file</comment>\n"
           "    <glob pattern=\"*.lec\"/>\n"
           "  </mime-type>\n"
           "</mime-info>\n";
}

std::string QuoteExecArgument(const std::string& arg) {
    if (!ValidUtf8WithoutControls(arg)) return {};
    // Inside the quotes ", `, $ and \ take a backslash; then the value of the key doubles every
    // backslash, and a literal % is written %%.
    std::string quoted = "\"";
    for (char c : arg) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    std::string value;
    for (char c : quoted) {
        if (c == '\\') value += "\\\\";
        else if (c == '%') value += "%%";
        else value += c;
    }
    return value;
}

std::string DesktopEntryText(const std::string& program) {
    std::string exec = program == "vantum" ? program : QuoteExecArgument(program);
    if (exec.empty() || program.empty()) return {};
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Vantum\n"
           "GenericName=Disk Usage Analyzer\n"
           "Comment=Shows where the space on a disk has gone and helps to win it back\n"
           "Exec=" + exec + " %f\n"
           "Icon=vantum\n"
           "Terminal=false\n"
           "Categories=System;Filesystem;\n"
           "MimeType=" + std::string(kTreeMimeType) + ";" + kEncryptedMimeType + ";\n"
           "Keywords=disk;space;usage;size;folder;\n";
}

std::string RunningProgramPath() {
    std::error_code ec;
    fs::path p = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : p.string();
}

MimeAppsEdit AddDefaults(const std::string& mimeApps) {
    std::vector<Line> lines = Split(mimeApps);
    std::string record;
    int head = FindSection(lines);
    if (head < 0) {
        record += "section-created\n";
        if (!lines.empty() && lines.back().eol.empty()) {
            lines.back().eol = "\n";
            record += "newline-added\n";
        }
        lines.push_back({std::string("[") + kSection + "]", "\n"});
        head = static_cast<int>(lines.size()) - 1;
    }
    const std::size_t h = static_cast<std::size_t>(head);
    for (const char* mime : kOurMimeTypes) {
        int at = FindKey(lines, h, mime);
        if (at >= 0) {
            record += std::string("replaced ") + mime + "\t" + lines[static_cast<std::size_t>(at)].text + "\n";
            lines[static_cast<std::size_t>(at)].text = OurLine(mime);
            continue;
        }
        // After the section's last non-blank line, so that a blank line before the next
        // section stays where it is.
        std::size_t pos = h + 1;
        for (std::size_t i = h + 1, end = SectionEnd(lines, h); i < end; ++i)
            if (!Trim(lines[i].text).empty()) pos = i + 1;
        Line ours{OurLine(mime), "\n"};
        if (lines[pos - 1].eol.empty()) {  // the file ended without a line break
            lines[pos - 1].eol = "\n";
            ours.eol.clear();
        }
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(pos), ours);
        record += std::string("added ") + mime + "\n";
    }
    return {Join(lines), record};
}

std::string RemoveDefaults(const std::string& mimeApps, const std::string& record) {
    std::vector<Line> lines = Split(mimeApps);
    int head = FindSection(lines);
    if (head < 0) return mimeApps;
    const std::size_t h = static_cast<std::size_t>(head);
    bool sectionCreated = false, newlineAdded = false;
    // Undo in reverse order of the edits.
    std::vector<std::string> entries;
    for (const Line& l : Split(record)) entries.push_back(l.text);
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        const std::string& e = *it;
        if (e == "section-created") sectionCreated = true;
        if (e == "newline-added") newlineAdded = true;
        bool added = e.rfind("added ", 0) == 0, replaced = e.rfind("replaced ", 0) == 0;
        if (!added && !replaced) continue;
        std::string rest = e.substr(added ? 6 : 9);
        std::size_t tab = rest.find('\t');
        std::string mime = rest.substr(0, tab);
        int at = FindKey(lines, h, mime);
        // A line someone changed since is theirs now: left alone.
        if (at < 0 || ValueOf(lines[static_cast<std::size_t>(at)].text) != kDesktopFileName) continue;
        std::size_t i = static_cast<std::size_t>(at);
        if (replaced) {
            lines[i].text = tab == std::string::npos ? std::string() : rest.substr(tab + 1);
        } else {
            if (lines[i].eol.empty() && i > 0) lines[i - 1].eol.clear();
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    if (sectionCreated && SectionEnd(lines, h) == h + 1) {
        bool last = h + 1 == lines.size();
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(h));
        if (newlineAdded && last && h > 0) lines[h - 1].eol.clear();
    }
    return Join(lines);
}

bool FileTypesRegistered(const XdgFolders& where) {
    std::error_code ec;
    return fs::exists(where.stateFile(), ec) && fs::exists(where.desktopEntry(), ec);
}

RegistrationResult RegisterFileTypes(const XdgFolders& where, const std::string& program, bool runTools) {
    std::string entry = DesktopEntryText(program);
    if (entry.empty())
        return Fail("The program path \"" + program + "\" cannot be written into a desktop entry");

    std::string mimeApps, state;
    bool appsExist = false, stateExists = false;
    if (!ReadWhole(where.mimeAppsList(), mimeApps, appsExist))
        return Fail("Cannot open file \"" + where.mimeAppsList() + "\"");
    if (!ReadWhole(where.stateFile(), state, stateExists))
        return Fail("Cannot open file \"" + where.stateFile() + "\"");
    // Registering again (the program moved): take the earlier edit back first, so that the
    // record always leads back to the file as the user had it.
    bool fileCreated = !appsExist;
    if (stateExists) {
        mimeApps = RemoveDefaults(mimeApps, state);
        fileCreated = state.find("file-created\n") != std::string::npos;
    }
    MimeAppsEdit edit = AddDefaults(mimeApps);
    std::string record = (fileCreated ? "file-created\n" : "") + edit.record;

    // The record first: whatever fails later, unregistering can still undo it.
    RegistrationResult r = WriteFile(where.stateFile(), record);
    if (r) r = WriteFile(where.mimePackage(), MimePackageXml());
    if (r) r = WriteFile(where.desktopEntry(), entry);
    if (r) r = WriteFile(where.mimeAppsList(), edit.text);
    if (r && runTools) r = RunTools(where);
    return r;
}

RegistrationResult UnregisterFileTypes(const XdgFolders& where, bool runTools) {
    std::string mimeApps, state;
    bool appsExist = false, stateExists = false;
    if (!ReadWhole(where.stateFile(), state, stateExists))
        return Fail("Cannot open file \"" + where.stateFile() + "\"");
    if (!ReadWhole(where.mimeAppsList(), mimeApps, appsExist))
        return Fail("Cannot open file \"" + where.mimeAppsList() + "\"");
    RegistrationResult r;
    if (stateExists && appsExist) {
        std::string before = RemoveDefaults(mimeApps, state);
        if (before.empty() && state.find("file-created\n") != std::string::npos)
            r = RemoveFile(where.mimeAppsList());
        else if (before != mimeApps)
            r = WriteFile(where.mimeAppsList(), before);
    }
    if (r) r = RemoveFile(where.desktopEntry());
    if (r) r = RemoveFile(where.mimePackage());
    if (r) r = RemoveFile(where.stateFile());
    if (r) {
        std::error_code ec;
        fs::remove(fs::path(where.stateFile()).parent_path(), ec);  // only when empty
    }
    if (r && runTools) r = RunTools(where);
    return r;
}

}  // namespace vantum::prefs
