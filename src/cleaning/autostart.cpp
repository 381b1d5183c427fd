#include "cleaning/autostart.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>

#include "cleaning/file_guard.h"
#include "cleaning/reg_list.h"
#include "platform/registry_store.h"

namespace vantum::cleaning {

namespace {

constexpr size_t kEntryMaxBytes = 256 * 1024;

// The string escapes of a Desktop Entry value.
std::string UnescapeString(std::string_view v) {
    std::string out;
    for (size_t i = 0; i < v.size(); ++i) {
        if (v[i] != '\\' || i + 1 == v.size()) {
            out += v[i];
            continue;
        }
        switch (char c = v[++i]) {
            case 's': out += ' '; break;
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'r': out += '\r'; break;
            default: out += c; break;
        }
    }
    return out;
}

std::string EscapeString(std::string_view v) {
    std::string out;
    for (size_t i = 0; i < v.size(); ++i) {
        char c = v[i];
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            case ' ': out += i == 0 ? "\\s" : " "; break;
            default: out += c; break;
        }
    }
    return out;
}

// Lines of the [Desktop Entry] group: key (without locale) -> raw value of its first line.
std::map<std::string, std::string, std::less<>> EntryKeys(std::string_view text) {
    std::map<std::string, std::string, std::less<>> keys;
    bool inEntry = false;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!line.empty() && line.front() == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        size_t eq = line.find('=');
        if (!inEntry || eq == std::string_view::npos || line.front() == '#') continue;
        std::string_view key = line.substr(0, eq);
        while (!key.empty() && key.back() == ' ') key.remove_suffix(1);
        std::string_view value = line.substr(eq + 1);
        while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
        keys.emplace(std::string(key), std::string(value));
    }
    return keys;
}

// The text with key=value in [Desktop Entry]: its first line replaced, or a line added right
// after the group header; every other line as it was.
std::string WithKey(std::string_view text, std::string_view key, std::string_view value) {
    std::string line = std::string(key) + "=" + std::string(value);
    bool inEntry = false;
    size_t pos = 0, headerEnd = std::string_view::npos;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view l = text.substr(pos, end - pos);
        if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
        if (!l.empty() && l.front() == '[') {
            inEntry = l == "[Desktop Entry]";
            if (inEntry && headerEnd == std::string_view::npos) headerEnd = std::min(end + 1, text.size());
        } else if (inEntry) {
            size_t eq = l.find('=');
            std::string_view k = l.substr(0, eq == std::string_view::npos ? 0 : eq);
            while (!k.empty() && k.back() == ' ') k.remove_suffix(1);
            if (eq != std::string_view::npos && k == key)
                return std::string(text.substr(0, pos)) + line + std::string(text.substr(pos + l.size()));
        }
        pos = end + 1;
    }
    if (headerEnd == std::string_view::npos) return "[Desktop Entry]\n" + line + "\n" + std::string(text);
    std::string out(text.substr(0, headerEnd));
    if (out.back() != '\n') out += '\n';
    return out + line + "\n" + std::string(text.substr(headerEnd));
}

// Creates path with text; never replaces a file (the name is taken with link()).
bool WriteNewFile(const std::string& path, const std::string& text, std::string* error) {
    std::string folder = path.substr(0, path.rfind('/'));
    std::string tmp = folder + "/.vantum-new.XXXXXX";
    int fd = ::mkstemp(tmp.data());
    if (fd < 0) {
        if (error) *error = "Cannot write in " + folder + ": " + std::strerror(errno);
        return false;
    }
    bool ok = ::fchmod(fd, 0644) == 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
              ::fsync(fd) == 0;
    int saved = errno;
    if (::close(fd) != 0 && ok) ok = false, saved = errno;
    if (ok && ::link(tmp.c_str(), path.c_str()) != 0) ok = false, saved = errno;
    ::unlink(tmp.c_str());
    if (!ok && error) *error = "Cannot create " + path + ": " + std::strerror(saved);
    return ok;
}

bool SafeId(std::string_view id) {
    return !id.empty() && id.size() <= 255 && id != "." && id != ".." && id.find('/') == std::string_view::npos &&
           id.find('\0') == std::string_view::npos && id.front() != '.';
}

std::string EnsureFolder(const std::string& folder) {
    std::string partial;
    for (size_t pos = 1; pos <= folder.size(); ++pos) {
        if (pos == folder.size() || folder[pos] == '/') {
            partial = folder.substr(0, pos);
            if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST)
                return "Cannot create " + partial + ": " + std::strerror(errno);
        }
    }
    return {};
}

}  // namespace

std::string ExecFromArguments(const std::vector<std::string>& args) {
    static constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string out;
    for (const auto& arg : args) {
        if (!out.empty()) out += ' ';
        std::string a;
        for (char c : arg) a += c == '%' ? std::string("%%") : std::string(1, c);
        if (!a.empty() && a.find_first_of(kReserved) == std::string::npos) {
            out += a;
            continue;
        }
        out += '"';
        for (char c : a) {
            if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
            out += c;
        }
        out += '"';
    }
    return out;
}

XdgAutostart::XdgAutostart(std::string userFolder, std::vector<std::string> systemFolders)
    : user_(std::move(userFolder)), system_(std::move(systemFolders)) {}

XdgAutostart XdgAutostart::ForSession() {
    const char* home = std::getenv("HOME");
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    std::string user = (configHome && *configHome == '/') ? configHome : std::string(home ? home : "") + "/.config";
    const char* dirs = std::getenv("XDG_CONFIG_DIRS");
    std::string list = (dirs && *dirs) ? dirs : "/etc/xdg";
    std::vector<std::string> system;
    size_t start = 0;
    while (start <= list.size()) {
        size_t colon = list.find(':', start);
        std::string d = list.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (!d.empty() && d.front() == '/') system.push_back(d + "/autostart");
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return XdgAutostart(user + "/autostart", std::move(system));
}

std::vector<AutostartEntry> XdgAutostart::List() const {
    std::map<std::string, AutostartEntry> byId;  // the first folder to name an id wins
    std::vector<std::pair<std::string, bool>> folders{{user_, true}};
    for (const auto& s : system_) folders.emplace_back(s, false);
    for (const auto& [folder, isUser] : folders) {
        DIR* dir = ::opendir(folder.c_str());
        if (!dir) continue;
        while (dirent* e = ::readdir(dir)) {
            std::string id = e->d_name;
            if (id.size() <= 8 || id.compare(id.size() - 8, 8, ".desktop") != 0 || byId.count(id)) continue;
            AutostartEntry entry;
            entry.id = id;
            entry.file = folder + "/" + id;
            entry.userFile = isUser;
            auto stamp = StampOf(entry.file);
            if (!stamp || !S_ISREG(stamp->mode)) continue;
            entry.stamp = *stamp;
            auto text = ReadSmallFile(entry.file, kEntryMaxBytes);
            auto keys = EntryKeys(text ? *text : std::string());
            entry.name = UnescapeString(keys["Name"]);
            entry.exec = UnescapeString(keys["Exec"]);
            bool hidden = keys["Hidden"] == "true";
            if (hidden) entry.file.clear();  // masked: remembered so lower folders stay masked
            byId.emplace(id, std::move(entry));
        }
        ::closedir(dir);
    }
    std::vector<AutostartEntry> out;
    for (auto& [id, entry] : byId)
        if (!entry.file.empty()) out.push_back(std::move(entry));
    return out;
}

bool XdgAutostart::Delete(const std::string& id, std::string* error) const {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    auto entries = List();
    auto it = std::find_if(entries.begin(), entries.end(), [&](const AutostartEntry& e) { return e.id == id; });
    if (it == entries.end()) return fail("There is no autostart entry " + id);
    // A system entry of the same id would start again once the user's file is gone: mask it.
    std::optional<std::string> systemText;
    for (const auto& folder : system_) {
        auto stamp = StampOf(folder + "/" + id);
        if (stamp && S_ISREG(stamp->mode)) {
            systemText = ReadSmallFile(folder + "/" + id, kEntryMaxBytes);
            if (!systemText) return fail("Cannot read " + folder + "/" + id);
            break;
        }
    }
    if (it->userFile && !systemText) return RemoveListedEntry(it->file, it->stamp, error);
    std::string mask = WithKey(systemText ? *systemText : std::string(), "Hidden", "true");
    if (it->userFile) {
        auto text = ReadSmallFile(it->file, kEntryMaxBytes);
        if (!text) return fail("Cannot read " + it->file);
        return ReplaceIfUnchanged(it->file, it->stamp, WithKey(*text, "Hidden", "true"), error) ==
               ReplaceOutcome::Replaced;
    }
    if (auto why = EnsureFolder(user_); !why.empty()) return fail(why);
    return WriteNewFile(user_ + "/" + id, mask, error);
}

bool XdgAutostart::Add(const std::string& name, const std::string& exec, std::string* id, std::string* error) const {
    std::string base;
    for (unsigned char c : name)
        base += (std::isalnum(c) || c == '-' || c == '_' || c == '.') ? static_cast<char>(c) : '-';
    while (!base.empty() && base.front() == '.') base.erase(0, 1);
    if (base.empty()) base = "entry";
    if (base.size() > 200) base.resize(200);
    if (auto why = EnsureFolder(user_); !why.empty()) {
        if (error) *error = why;
        return false;
    }
    auto taken = [&](const std::string& candidate) {
        if (StampOf(user_ + "/" + candidate)) return true;
        for (const auto& s : system_)
            if (StampOf(s + "/" + candidate)) return true;
        return false;
    };
    std::string text = "[Desktop Entry]\nType=Application\nName=" + EscapeString(name.empty() ? base : name) +
                       "\nExec=" + EscapeString(exec) + "\n";
    for (int n = 1; n < 1000; ++n) {
        std::string candidate = base + (n == 1 ? "" : "-" + std::to_string(n)) + ".desktop";
        if (taken(candidate)) continue;
        std::string why;
        if (WriteNewFile(user_ + "/" + candidate, text, &why)) {
            if (id) *id = candidate;
            return true;
        }
        if (!StampOf(user_ + "/" + candidate)) {  // not a race with another writer: a real failure
            if (error) *error = why;
            return false;
        }
    }
    if (error) *error = "No free name for a new autostart entry " + base;
    return false;
}

bool XdgAutostart::Backup(const std::string& stem, std::string* file, std::string* error) const {
    platform::MemoryRegistry reg;
    const auto root = platform::RegRoot::LocalMachine;
    reg.CreateKey(root, kAutostartKey);
    for (const auto& e : List()) reg.WriteString(root, kAutostartKey, e.id, e.exec);
    return WriteRegistryBackup(reg, root, kAutostartKey, stem, file, error);
}

std::optional<XdgAutostart::RestorePlan> XdgAutostart::PlanRestore(const std::string& regFile, std::string* error) const {
    auto fail = [&](const std::string& why) -> std::optional<RestorePlan> {
        if (error) *error = why;
        return std::nullopt;
    };
    auto keys = RegeditForKeyOnly(regFile, platform::RegRoot::LocalMachine, kAutostartKey, error);
    if (!keys) return std::nullopt;
    std::map<std::string, std::optional<std::string>> wanted;  // id -> Exec, nullopt: remove
    for (const auto& key : *keys) {
        for (const auto& v : key.values) {
            if (!SafeId(v.value.name)) return fail(regFile + " names an entry \"" + v.value.name.substr(0, 200) + "\" that cannot be a file name");
            if (v.remove) {
                wanted[v.value.name] = std::nullopt;
            } else if (v.value.type == platform::RegType::String || v.value.type == platform::RegType::ExpandString) {
                wanted[v.value.name] = v.value.text;
            } else {
                return fail(regFile + " gives " + v.value.name + " a value that is not a command line");
            }
        }
    }
    auto current = List();
    RestorePlan plan;
    for (const auto& [id, exec] : wanted) {
        auto it = std::find_if(current.begin(), current.end(), [&id = id](const AutostartEntry& e) { return e.id == id; });
        if (!exec) {
            if (it != current.end()) plan.remove.push_back(id);
        } else if (it == current.end()) {
            plan.add.emplace_back(id, *exec);
        } else if (it->exec != *exec) {
            plan.replace.emplace_back(id, *exec);
        }
    }
    return plan;
}

bool XdgAutostart::Restore(const RestorePlan& plan, std::string* error) const {
    std::string errors;
    auto note = [&](const std::string& why) { errors += (errors.empty() ? "" : "\n") + why; };
    if (auto why = EnsureFolder(user_); !why.empty()) note(why);
    for (const auto& id : plan.remove) {
        std::string why;
        if (!Delete(id, &why)) note(why);
    }
    for (const auto& [id, exec] : plan.add) {
        std::string why;
        std::string path = user_ + "/" + id;
        std::string name = id.substr(0, id.size() > 8 && id.ends_with(".desktop") ? id.size() - 8 : id.size());
        std::string text = "[Desktop Entry]\nType=Application\nName=" + EscapeString(name) + "\nExec=" + EscapeString(exec) + "\n";
        auto stamp = StampOf(path);
        if (stamp && S_ISREG(stamp->mode)) {  // a masked entry of the user's: unmask it with its Exec
            auto old = ReadSmallFile(path, kEntryMaxBytes);
            if (!old || ReplaceIfUnchanged(path, *stamp, WithKey(WithKey(*old, "Hidden", "false"), "Exec", EscapeString(exec)), &why) !=
                            ReplaceOutcome::Replaced)
                note(why.empty() ? "Cannot read " + path : why);
        } else if (!WriteNewFile(path, text, &why)) {
            note(why);
        }
    }
    for (const auto& [id, exec] : plan.replace) {
        std::string why;
        auto entries = List();
        auto it = std::find_if(entries.begin(), entries.end(), [&id = id](const AutostartEntry& e) { return e.id == id; });
        if (it == entries.end()) continue;
        auto old = ReadSmallFile(it->file, kEntryMaxBytes);
        if (!old) {
            note("Cannot read " + it->file);
            continue;
        }
        std::string text = WithKey(*old, "Exec", EscapeString(exec));
        bool ok = it->userFile ? ReplaceIfUnchanged(it->file, it->stamp, text, &why) == ReplaceOutcome::Replaced
                               : WriteNewFile(user_ + "/" + id, text, &why);
        if (!ok) note(why);
    }
    if (!errors.empty() && error) *error = errors;
    return errors.empty();
}

}  // namespace vantum::cleaning
