#include "cleaning/desktop_entry.h"

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace vantum::cleaning {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// The escapes of a string value: \s \n \t \r \\.
std::string UnescapeValue(std::string_view v) {
    std::string out;
    for (size_t i = 0; i < v.size(); ++i) {
        if (v[i] != '\\' || i + 1 == v.size()) {
            out += v[i];
            continue;
        }
        char c = v[++i];
        switch (c) {
            case 's': out += ' '; break;
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'r': out += '\r'; break;
            default: out += c; break;  // "\\" and, leniently, any other escaped character
        }
    }
    return out;
}

// Splits an Exec command line into arguments: blanks separate them, double quotes group,
// and inside quotes a backslash escapes the next character.
std::vector<std::string> SplitExec(std::string_view cmd) {
    std::vector<std::string> args;
    std::string cur;
    bool inArg = false, quoted = false;
    for (size_t i = 0; i < cmd.size(); ++i) {
        char c = cmd[i];
        if (quoted) {
            if (c == '\\' && i + 1 < cmd.size()) cur += cmd[++i];
            else if (c == '"') quoted = false;
            else cur += c;
        } else if (c == ' ' || c == '\t' || c == '\n') {
            if (inArg) args.push_back(std::move(cur)), cur.clear();
            inArg = false;
        } else {
            inArg = true;
            if (c == '"') quoted = true;
            else cur += c;
        }
    }
    if (inArg) args.push_back(std::move(cur));
    return args;
}

std::string FindOnPath(const std::string& program, std::string_view pathEnv) {
    if (program.find('/') != std::string::npos) return program;
    size_t start = 0;
    while (start <= pathEnv.size()) {
        size_t end = pathEnv.find(':', start);
        if (end == std::string_view::npos) end = pathEnv.size();
        std::string dir(pathEnv.substr(start, end - start));
        if (!dir.empty() && dir.front() == '/') {  // a relative PATH entry depends on the current folder
            std::string candidate = dir + "/" + program;
            struct stat st {};
            if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        start = end + 1;
    }
    return program;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::optional<std::string> LocalPathOfFileUrl(std::string_view url) {
    if (url.size() < 5) return std::nullopt;
    for (size_t i = 0; i < 5; ++i)
        if (static_cast<char>(url[i] | (i < 4 ? 0x20 : 0)) != "file:"[i]) return std::nullopt;
    std::string_view rest = url.substr(5);
    if (rest.substr(0, 2) == "//") {
        rest.remove_prefix(2);
        size_t slash = rest.find('/');
        if (slash == std::string_view::npos) return std::nullopt;
        std::string_view host = rest.substr(0, slash);
        if (!host.empty() && host != "localhost") return std::nullopt;
        rest.remove_prefix(slash);
    }
    if (rest.empty() || rest.front() != '/') return std::nullopt;
    std::string path;
    for (size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] != '%') {
            path += rest[i];
            continue;
        }
        if (i + 2 >= rest.size()) return std::nullopt;
        int hi = HexDigit(rest[i + 1]), lo = HexDigit(rest[i + 2]);
        if (hi < 0 || lo < 0) return std::nullopt;
        path += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return path;
}

std::string DesktopEntryTarget(std::string_view text, std::string_view pathEnv) {
    std::string exec, url, workDir;
    bool inEntry = false;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry) continue;
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        std::string_view key = Trim(line.substr(0, eq));
        std::string value = UnescapeValue(Trim(line.substr(eq + 1)));
        if (key == "Exec") exec = value;
        else if (key == "URL") url = value;
        else if (key == "Path") workDir = value;
    }
    if (!exec.empty()) {
        auto args = SplitExec(exec);
        size_t i = 0;
        // "env VAR=value program ...": the program is what runs.
        if (i < args.size() && args[i] == "env") {
            ++i;
            while (i < args.size() && args[i].find('=') != std::string::npos) ++i;
        }
        if (i < args.size()) return FindOnPath(args[i], pathEnv);
    }
    if (!url.empty()) {
        if (auto local = LocalPathOfFileUrl(url)) return *local;
        return url;
    }
    return workDir;
}

}  // namespace vantum::cleaning
