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

std::string Lowered(std::string_view name) {
    std::string out(name);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return out;
}

template <typename Node>
Node* FindChild(Node& node, std::string_view name) {
    auto it = node.subKeyIndex.find(Lowered(name));
    return it == node.subKeyIndex.end() ? nullptr : &node.subKeys[it->second];
}

// What a key or a value adds to the file form: its record line, roughly.
constexpr size_t kRecordCost = 16;
size_t ValueCost(const RegValue& v) {
    size_t n = kRecordCost + v.name.size() + v.text.size() + v.bytes.size();
    for (const auto& s : v.strings) n += s.size() + 1;
    return n;
}
size_t KeyCost(size_t pathBytes) { return kRecordCost + pathBytes; }

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

void WriteValue(std::string& out, const RegValue& v) {
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

// Depth first with a stack of its own; the escaped path of the key being written is one string
// that grows and shrinks with the walk.
void WriteTree(std::string& out, std::string_view root, const RegKeyNode& top) {
    struct Frame {
        const RegKeyNode* node;
        size_t next;        // next sub-key to visit
        size_t pathLength;  // length of path while this key is current
    };
    std::string path;
    std::vector<Frame> stack;
    auto enter = [&](const RegKeyNode& node) {
        out += "K ";
        out += root;
        out += ' ';
        out += path;
        out += '\n';
        for (const auto& v : node.values) WriteValue(out, v);
        stack.push_back({&node, 0, path.size()});
    };
    enter(top);
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.next == f.node->subKeys.size()) {
            stack.pop_back();
            continue;
        }
        const RegKeyNode& child = f.node->subKeys[f.next++];
        path.resize(f.pathLength);
        if (!path.empty()) path += '\\';
        path += Escape(child.name);
        enter(child);
    }
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

RegKeyNode* MemoryRegistry::MakeKey(RegRoot root, std::string_view key) {
    error_.clear();
    if (!ValidRoot(root)) return nullptr;
    auto parts = SplitKey(key);
    if (!parts) return nullptr;
    if (parts->size() > kRegMaxKeyDepth) {
        error_ = "the key is " + std::to_string(parts->size()) + " levels deep; a key may be at most " +
                 std::to_string(kRegMaxKeyDepth) + " levels deep";
        return nullptr;
    }
    RegKeyNode* node = &roots_[static_cast<int>(root)];
    size_t pathBytes = 0;
    for (auto part : *parts) {
        pathBytes += part.size() + (pathBytes ? 1 : 0);
        RegKeyNode* child = FindChild(*node, part);
        if (!child) {
            if (part.size() > kRegMaxKeyNameBytes) {
                error_ = "a key name is " + std::to_string(part.size()) + " bytes long; at most " +
                         std::to_string(kRegMaxKeyNameBytes) + " are allowed";
                return nullptr;
            }
            if (bytes_ + KeyCost(pathBytes) > kRegMaxBytes) {
                error_ = "the registry would grow beyond " + std::to_string(kRegMaxBytes >> 20) + " MB";
                return nullptr;
            }
            bytes_ += KeyCost(pathBytes);
            node->subKeyIndex.emplace(Lowered(part), node->subKeys.size());
            node->subKeys.push_back(RegKeyNode{std::string(part), {}, {}, {}, {}});
            child = &node->subKeys.back();
        }
        node = child;
    }
    return node;
}

bool MemoryRegistry::CreateKey(RegRoot root, std::string_view key) { return MakeKey(root, key) != nullptr; }

bool MemoryRegistry::PutValue(RegKeyNode& node, const RegValue& value) {
    error_.clear();
    auto it = node.valueIndex.find(Lowered(value.name));
    size_t old = it == node.valueIndex.end() ? 0 : ValueCost(node.values[it->second]);
    size_t grown = ValueCost(value);
    if (bytes_ - old + grown > kRegMaxBytes) {
        error_ = "the registry would grow beyond " + std::to_string(kRegMaxBytes >> 20) + " MB";
        return false;
    }
    bytes_ = bytes_ - old + grown;
    if (it != node.valueIndex.end()) {
        RegValue& v = node.values[it->second];
        std::string keepName = std::move(v.name);  // a replaced value keeps its place and spelling
        v = value;
        v.name = std::move(keepName);
        return true;
    }
    node.valueIndex.emplace(Lowered(value.name), node.values.size());
    node.values.push_back(value);
    return true;
}

bool MemoryRegistry::SetValue(RegRoot root, std::string_view key, const RegValue& value) {
    error_.clear();
    RegKeyNode* node = FindKey(roots_, root, key);
    if (!node) return false;
    return PutValue(*node, value);
}

namespace {

// Erases entry pos of a vector and renumbers the index entries after it.
template <typename T>
void EraseIndexed(std::vector<T>& items, std::unordered_map<std::string, size_t>& index, size_t pos,
                  const std::string& (*nameOf)(const T&)) {
    index.erase(Lowered(nameOf(items[pos])));
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(pos));
    for (size_t i = pos; i < items.size(); ++i) index[Lowered(nameOf(items[i]))] = i;
}

const std::string& ValueName(const RegValue& v) { return v.name; }
const std::string& KeyName(const RegKeyNode& n) { return n.name; }

// What a sub-tree adds to Bytes(); pathBytes is the length of the top key's path.
size_t TreeCost(const RegKeyNode& top, size_t pathBytes) {
    size_t total = 0;
    std::vector<std::pair<const RegKeyNode*, size_t>> todo{{&top, pathBytes}};
    while (!todo.empty()) {
        auto [node, len] = todo.back();
        todo.pop_back();
        total += KeyCost(len);
        for (const auto& v : node->values) total += ValueCost(v);
        for (const auto& child : node->subKeys) todo.emplace_back(&child, len + 1 + child.name.size());
    }
    return total;
}

}  // namespace

bool MemoryRegistry::DeleteValue(RegRoot root, std::string_view key, std::string_view name) {
    error_.clear();
    RegKeyNode* node = FindKey(roots_, root, key);
    if (!node) return false;
    auto it = node->valueIndex.find(Lowered(name));
    if (it == node->valueIndex.end()) return false;
    bytes_ -= ValueCost(node->values[it->second]);
    EraseIndexed(node->values, node->valueIndex, it->second, &ValueName);
    return true;
}

bool MemoryRegistry::DeleteKey(RegRoot root, std::string_view key) {
    error_.clear();
    auto parts = SplitKey(key);
    if (!parts || parts->empty()) return false;
    size_t slash = key.rfind('\\');
    RegKeyNode* parent = FindKey(roots_, root, slash == std::string_view::npos ? std::string_view() : key.substr(0, slash));
    if (!parent) return false;
    auto it = parent->subKeyIndex.find(Lowered(parts->back()));
    if (it == parent->subKeyIndex.end()) return false;
    bytes_ -= TreeCost(parent->subKeys[it->second], key.size());
    EraseIndexed(parent->subKeys, parent->subKeyIndex, it->second, &KeyName);
    return true;
}

bool MemoryRegistry::Update(const std::function<bool(RegistryStore&)>& edits) {
    MemoryRegistry copy = *this;
    if (!edits(copy)) {
        error_ = copy.error_;
        return false;
    }
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
        WriteTree(out, kRootNames[i], root);
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
    RegKeyNode* cur = nullptr;  // the key of the last K line
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
            if (!curRoot || !path) return fail("malformed key record");
            cur = reg.MakeKey(*curRoot, *path);
            if (!cur) return fail(reg.error_.empty() ? "malformed key record" : reg.error_);
        } else if (f[0] == "V") {
            if (!cur) return fail("value before any key");
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
            if (cur->valueIndex.count(Lowered(v.name))) return fail("value appears twice");
            if (!reg.PutValue(*cur, v)) return fail(reg.error_);
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
    // Escaping may triple every byte; a file beyond that cannot hold a registry within bounds.
    if (now.size > 3 * std::uint64_t{kRegMaxBytes} + (1u << 20)) {
        loadError_ = "The registry file " + file_ + " is larger than a registry may grow; it is left as it is";
        return;
    }
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
    if (!change(copy)) {
        error_ = copy.LastError();
        return false;
    }
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
