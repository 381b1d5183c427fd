#include "platform/registry_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/temp_name.h"

namespace vantum::platform {

namespace {

constexpr std::string_view kRootNames[kRegRootCount] = {
    "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",     "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",
};
constexpr std::string_view kMagic = "vantum-registry 1";

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x += 32;
        if (y >= 'A' && y <= 'Z') y += 32;
        if (x != y) return false;
    }
    return true;
}

// Splits "a\b\c"; nullopt when a component is empty. The empty path has no components.
std::optional<std::vector<std::string_view>> SplitKey(std::string_view key) {
    std::vector<std::string_view> parts;
    if (key.empty()) return parts;
    size_t start = 0;
    while (true) {
        size_t pos = key.find('\\', start);
        std::string_view part = key.substr(start, pos == std::string_view::npos ? pos : pos - start);
        if (part.empty()) return std::nullopt;
        parts.push_back(part);
        if (pos == std::string_view::npos) break;
        start = pos + 1;
    }
    return parts;
}

template <typename Node>
Node* FindChild(Node& node, std::string_view name) {
    for (auto& child : node.subKeys)
        if (SameName(child.name, name)) return &child;
    return nullptr;
}

bool ValidRoot(RegRoot root) { return static_cast<int>(root) >= 0 && static_cast<int>(root) < kRegRootCount; }

std::string Escape(std::string_view s) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    out.reserve(s.size());
    for (unsigned char c : s) {
        if (c <= 0x20 || c == '%' || c >= 0x7F) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<std::string> Unescape(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out += s[i];
            continue;
        }
        if (i + 2 >= s.size()) return std::nullopt;
        int hi = HexDigit(s[i + 1]), lo = HexDigit(s[i + 2]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return out;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    while (true) {
        size_t pos = line.find(' ', start);
        fields.push_back(line.substr(start, pos == std::string_view::npos ? pos : pos - start));
        if (pos == std::string_view::npos) break;
        start = pos + 1;
    }
    return fields;
}

std::optional<std::uint32_t> ParseUnsigned(std::string_view s) {
    if (s.empty() || s.size() > 10) return std::nullopt;
    std::uint64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    if (v > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<std::uint32_t>(v);
}

void WriteKey(std::string& out, std::string_view root, const std::string& path, const RegKeyNode& node) {
    out += "K ";
    out += root;
    out += ' ';
    out += Escape(path);
    out += '\n';
    for (const auto& v : node.values) {
        out += "V ";
        switch (v.type) {
            case RegType::String: out += "sz " + Escape(v.name) + ' ' + Escape(v.text); break;
            case RegType::ExpandString: out += "expand_sz " + Escape(v.name) + ' ' + Escape(v.text); break;
            case RegType::Dword: out += "dword " + Escape(v.name) + ' ' + std::to_string(v.number); break;
            case RegType::Binary: out += "binary " + Escape(v.name) + ' ' + Escape(v.bytes); break;
            case RegType::MultiString:
                out += "multi_sz " + Escape(v.name) + ' ' + std::to_string(v.strings.size());
                for (const auto& s : v.strings) out += ' ' + Escape(s);
                break;
            case RegType::Other:
                out += "other:" + std::to_string(v.rawType) + ' ' + Escape(v.name) + ' ' + Escape(v.bytes);
                break;
        }
        out += '\n';
    }
    for (const auto& child : node.subKeys)
        WriteKey(out, root, path.empty() ? child.name : path + '\\' + child.name, child);
}

}  // namespace

std::string_view RootName(RegRoot root) { return ValidRoot(root) ? kRootNames[static_cast<int>(root)] : std::string_view(); }

std::optional<RegRoot> RootFromName(std::string_view name) {
    for (int i = 0; i < kRegRootCount; ++i)
        if (kRootNames[i] == name) return static_cast<RegRoot>(i);
    return std::nullopt;
}

RegValue RegValue::String(std::string name, std::string text) {
    RegValue v;
    v.name = std::move(name);
    v.type = RegType::String;
    v.text = std::move(text);
    return v;
}
RegValue RegValue::ExpandString(std::string name, std::string text) {
    RegValue v = String(std::move(name), std::move(text));
    v.type = RegType::ExpandString;
    return v;
}
RegValue RegValue::Dword(std::string name, std::uint32_t number) {
    RegValue v;
    v.name = std::move(name);
    v.type = RegType::Dword;
    v.number = number;
    return v;
}
RegValue RegValue::Binary(std::string name, std::string bytes) {
    RegValue v;
    v.name = std::move(name);
    v.type = RegType::Binary;
    v.bytes = std::move(bytes);
    return v;
}
RegValue RegValue::MultiString(std::string name, std::vector<std::string> strings) {
    RegValue v;
    v.name = std::move(name);
    v.type = RegType::MultiString;
    v.strings = std::move(strings);
    return v;
}
RegValue RegValue::Other(std::string name, std::uint32_t rawType, std::string bytes) {
    RegValue v;
    v.name = std::move(name);
    v.type = RegType::Other;
    v.rawType = rawType;
    v.bytes = std::move(bytes);
    return v;
}

// ---- MemoryRegistry ----

namespace {

template <typename Roots>
auto FindKey(Roots& roots, RegRoot root, std::string_view key) -> decltype(&roots[0]) {
    if (!ValidRoot(root)) return nullptr;
    auto parts = SplitKey(key);
    if (!parts) return nullptr;
    auto* node = &roots[static_cast<int>(root)];
    for (auto part : *parts) {
        node = FindChild(*node, part);
        if (!node) return nullptr;
    }
    return node;
}

}  // namespace

const RegKeyNode* MemoryRegistry::Root(RegRoot root) const { return ValidRoot(root) ? &roots_[static_cast<int>(root)] : nullptr; }

std::optional<RegKeyContents> MemoryRegistry::OpenKey(RegRoot root, std::string_view key) const {
    const RegKeyNode* node = FindKey(roots_, root, key);
    if (!node) return std::nullopt;
    RegKeyContents c;
    c.values = node->values;
    c.subKeys.reserve(node->subKeys.size());
    for (const auto& child : node->subKeys) c.subKeys.push_back(child.name);
    return c;
}

bool MemoryRegistry::CreateKey(RegRoot root, std::string_view key) {
    if (!ValidRoot(root)) return false;
    auto parts = SplitKey(key);
    if (!parts) return false;
    RegKeyNode* node = &roots_[static_cast<int>(root)];
    for (auto part : *parts) {
        RegKeyNode* child = FindChild(*node, part);
        if (!child) {
            node->subKeys.push_back(RegKeyNode{std::string(part), {}, {}});
            child = &node->subKeys.back();
        }
        node = child;
    }
    return true;
}

bool MemoryRegistry::SetValue(RegRoot root, std::string_view key, const RegValue& value) {
    RegKeyNode* node = FindKey(roots_, root, key);
    if (!node) return false;
    for (auto& v : node->values) {
        if (SameName(v.name, value.name)) {
            std::string keepName = v.name;  // a replaced value keeps its place and spelling
            v = value;
            v.name = std::move(keepName);
            return true;
        }
    }
    node->values.push_back(value);
    return true;
}

bool MemoryRegistry::DeleteValue(RegRoot root, std::string_view key, std::string_view name) {
    RegKeyNode* node = FindKey(roots_, root, key);
    if (!node) return false;
    auto it = std::find_if(node->values.begin(), node->values.end(), [&](const RegValue& v) { return SameName(v.name, name); });
    if (it == node->values.end()) return false;
    node->values.erase(it);
    return true;
}

bool MemoryRegistry::DeleteKey(RegRoot root, std::string_view key) {
    auto parts = SplitKey(key);
    if (!parts || parts->empty()) return false;
    size_t slash = key.rfind('\\');
    RegKeyNode* parent = FindKey(roots_, root, slash == std::string_view::npos ? std::string_view() : key.substr(0, slash));
    if (!parent) return false;
    auto it = std::find_if(parent->subKeys.begin(), parent->subKeys.end(),
                           [&](const RegKeyNode& n) { return SameName(n.name, parts->back()); });
    if (it == parent->subKeys.end()) return false;
    parent->subKeys.erase(it);
    return true;
}

bool MemoryRegistry::Update(const std::function<bool(RegistryStore&)>& edits) {
    MemoryRegistry copy = *this;
    if (!edits(copy)) return false;
    *this = std::move(copy);
    return true;
}

// ---- file form ----

std::string SerializeRegistry(const MemoryRegistry& reg) {
    std::string out(kMagic);
    out += '\n';
    for (int i = 0; i < kRegRootCount; ++i) {
        const RegKeyNode& root = *reg.Root(static_cast<RegRoot>(i));
        if (root.values.empty() && root.subKeys.empty()) continue;
        WriteKey(out, kRootNames[i], std::string(), root);
    }
    return out;
}

std::optional<MemoryRegistry> ParseRegistry(std::string_view text, std::string* error) {
    MemoryRegistry reg;
    size_t lineNo = 0;
    auto fail = [&](const std::string& why) -> std::optional<MemoryRegistry> {
        if (error) *error = "line " + std::to_string(lineNo) + ": " + why;
        return std::nullopt;
    };
    if (!text.empty() && text.back() != '\n') {
        lineNo = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
        return fail("the file ends in the middle of a line");
    }
    std::optional<RegRoot> curRoot;
    std::string curKey;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (lineNo == 1) {
            if (line != kMagic) return fail("not a registry file");
            continue;
        }
        auto f = SplitFields(line);
        if (f[0] == "K") {
            if (f.size() != 3) return fail("malformed key record");
            curRoot = RootFromName(f[1]);
            auto path = Unescape(f[2]);
            if (!curRoot || !path || !reg.CreateKey(*curRoot, *path)) return fail("malformed key record");
            curKey = *path;
        } else if (f[0] == "V") {
            if (!curRoot) return fail("value before any key");
            if (f.size() < 4) return fail("malformed value record");
            auto name = Unescape(f[2]);
            if (!name) return fail("malformed value name");
            RegValue v;
            std::string_view type = f[1];
            if (type == "multi_sz") {
                auto count = ParseUnsigned(f[3]);
                if (!count || f.size() != 4 + static_cast<size_t>(*count)) return fail("malformed multi-string");
                std::vector<std::string> strings;
                for (size_t i = 4; i < f.size(); ++i) {
                    auto s = Unescape(f[i]);
                    if (!s) return fail("malformed multi-string");
                    strings.push_back(std::move(*s));
                }
                v = RegValue::MultiString(*name, std::move(strings));
            } else {
                if (f.size() != 4) return fail("malformed value record");
                if (type == "dword") {
                    auto n = ParseUnsigned(f[3]);
                    if (!n) return fail("malformed number");
                    v = RegValue::Dword(*name, *n);
                } else {
                    auto data = Unescape(f[3]);
                    if (!data) return fail("malformed value data");
                    if (type == "sz") {
                        v = RegValue::String(*name, *data);
                    } else if (type == "expand_sz") {
                        v = RegValue::ExpandString(*name, *data);
                    } else if (type == "binary") {
                        v = RegValue::Binary(*name, *data);
                    } else if (type.substr(0, 6) == "other:") {
                        auto code = ParseUnsigned(type.substr(6));
                        if (!code) return fail("malformed value type");
                        v = RegValue::Other(*name, *code, *data);
                    } else {
                        return fail("unknown value type");
                    }
                }
            }
            auto existing = reg.OpenKey(*curRoot, curKey);
            for (const auto& e : existing->values)
                if (SameName(e.name, v.name)) return fail("value appears twice");
            reg.SetValue(*curRoot, curKey, v);
        } else {
            return fail("unknown record");
        }
    }
    if (lineNo == 0) return fail("not a registry file");
    return reg;
}

// ---- FileRegistryStore ----

FileRegistryStore::FileRegistryStore(std::string path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        while (path.size() > 1 && path.back() == '/') path.pop_back();
        file_ = path + "/" + std::string(kFileName);
    } else {
        file_ = std::move(path);
    }
}

FileRegistryStore::Stamp FileRegistryStore::CurrentStamp() const {
    Stamp s;
    struct stat st {};
    if (::stat(file_.c_str(), &st) != 0) return s;
    s.exists = true;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.size = static_cast<std::uint64_t>(st.st_size);
    s.mtimeSec = st.st_mtim.tv_sec;
    s.mtimeNsec = st.st_mtim.tv_nsec;
    return s;
}

void FileRegistryStore::Refresh() const {
    Stamp now = CurrentStamp();
    if (loaded_ && now == stamp_) return;
    loaded_ = true;
    stamp_ = now;
    loadError_.clear();
    tree_ = MemoryRegistry();
    if (!now.exists) return;
    std::ifstream in(file_, std::ios::binary);
    if (!in) {
        loadError_ = "Cannot read the registry file " + file_ + ": " + std::strerror(errno);
        return;
    }
    std::stringstream ss;
    ss << in.rdbuf();
    std::string why;
    auto parsed = ParseRegistry(ss.str(), &why);
    if (!parsed) {
        loadError_ = "The registry file " + file_ + " is damaged (" + why + "); it is left as it is";
        return;
    }
    tree_ = std::move(*parsed);
}

bool FileRegistryStore::Save(const MemoryRegistry& reg) {
    namespace fs = std::filesystem;
    fs::path target(file_);
    fs::path folder = target.parent_path();
    std::error_code ec;
    if (!folder.empty()) fs::create_directories(folder, ec);
    std::string text = SerializeRegistry(reg);
    std::string tmpl = TempNameBeside(folder.string(), target.filename().string(), ".XXXXXX");
    int fd = ::mkstemp(tmpl.data());
    if (fd < 0) {
        error_ = "Cannot write the registry file " + file_ + ": " + std::strerror(errno);
        return false;
    }
    size_t done = 0;
    bool ok = true;
    while (ok && done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ok = false;
        else done += static_cast<size_t>(n);
    }
    int savedErrno = errno;
    if (ok && ::fsync(fd) != 0) ok = false, savedErrno = errno;
    if (::close(fd) != 0 && ok) ok = false, savedErrno = errno;
    if (ok && ::rename(tmpl.c_str(), file_.c_str()) != 0) ok = false, savedErrno = errno;
    if (!ok) {
        ::unlink(tmpl.c_str());
        error_ = "Cannot write the registry file " + file_ + ": " + std::strerror(savedErrno);
        return false;
    }
    // Make the rename itself durable.
    int dfd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    stamp_ = CurrentStamp();
    return true;
}

bool FileRegistryStore::Mutate(const std::function<bool(MemoryRegistry&)>& change) {
    error_.clear();
    // Serialise writers of the same file (the window and vantum-cli may run at once): the
    // reload and the save happen under one lock.
    std::error_code ec;
    auto folder = std::filesystem::path(file_).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    int lockFd = ::open((file_ + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd >= 0) ::flock(lockFd, LOCK_EX);
    struct Unlock {
        int fd;
        ~Unlock() {
            if (fd >= 0) ::close(fd);
        }
    } unlock{lockFd};

    Refresh();
    if (!loadError_.empty()) {
        error_ = loadError_;
        return false;
    }
    MemoryRegistry copy = tree_;
    if (!change(copy)) return false;
    if (!Save(copy)) return false;
    tree_ = std::move(copy);
    return true;
}

std::optional<RegKeyContents> FileRegistryStore::OpenKey(RegRoot root, std::string_view key) const {
    Refresh();
    return tree_.OpenKey(root, key);
}

bool FileRegistryStore::CreateKey(RegRoot root, std::string_view key) {
    return Mutate([&](MemoryRegistry& r) { return r.CreateKey(root, key); });
}
bool FileRegistryStore::SetValue(RegRoot root, std::string_view key, const RegValue& value) {
    return Mutate([&](MemoryRegistry& r) { return r.SetValue(root, key, value); });
}
bool FileRegistryStore::DeleteValue(RegRoot root, std::string_view key, std::string_view name) {
    return Mutate([&](MemoryRegistry& r) { return r.DeleteValue(root, key, name); });
}
bool FileRegistryStore::DeleteKey(RegRoot root, std::string_view key) {
    return Mutate([&](MemoryRegistry& r) { return r.DeleteKey(root, key); });
}
std::string FileRegistryStore::LastError() const {
    Refresh();
    return error_.empty() ? loadError_ : error_;
}

bool FileRegistryStore::Update(const std::function<bool(RegistryStore&)>& edits) {
    return Mutate([&](MemoryRegistry& r) { return edits(r); });
}

}  // namespace vantum::platform
