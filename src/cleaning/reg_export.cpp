#include "cleaning/reg_export.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/temp_name.h"

namespace vantum::cleaning {

using platform::RegistryStore;
using platform::RegRoot;
using platform::RegType;
using platform::RegValue;

namespace {

constexpr const char* kHex = "0123456789ABCDEF";

void AppendHexByte(std::string& out, unsigned char b) {
    out += kHex[b >> 4];
    out += kHex[b & 15];
}

void AppendValue(std::string& out, const RegValue& v) {
    if (v.name.empty()) {
        out += '@';
    } else {
        out += '"';
        out += EscapeRegText(v.name);
        out += '"';
    }
    out += '=';
    switch (v.type) {
        case RegType::String:
        case RegType::ExpandString:
            out += '"';
            out += EscapeRegText(v.text);
            out += '"';
            break;
        case RegType::Dword:
            out += "dword:";
            for (int shift = 28; shift >= 0; shift -= 4) out += kHex[(v.number >> shift) & 15];
            break;
        case RegType::Binary:
            out += "hex:";
            for (size_t i = 0; i < v.bytes.size(); ++i) {
                AppendHexByte(out, static_cast<unsigned char>(v.bytes[i]));
                if (i + 1 == v.bytes.size()) break;
                out += ',';
                if (i % 25 == 0 && i > 0) out += "\\\r\n";
            }
            break;
        case RegType::MultiString:
        case RegType::Other:
            out += "\"\"";
            break;
    }
    out += "\r\n";
}

// Depth first with a stack of its own: a key's header and values, then its sub-keys.
void AppendTree(std::string& out, const RegistryStore& store, RegRoot root, const std::string& top) {
    struct Frame {
        std::string key;
        std::vector<std::string> subKeys;
        size_t next = 0;
    };
    std::vector<Frame> stack;
    auto enter = [&](std::string key) {
        out += "\r\n[";
        out += platform::RootName(root);
        out += '\\';
        out += key;
        out += "]\r\n";
        auto contents = store.OpenKey(root, key);
        if (!contents) return;
        for (const auto& v : contents->values) AppendValue(out, v);
        stack.push_back(Frame{std::move(key), std::move(contents->subKeys), 0});
    };
    enter(top);
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.next == f.subKeys.size()) {
            stack.pop_back();
            continue;
        }
        const std::string& sub = f.subKeys[f.next++];
        // Below the root itself ("" as the key) the sub-key paths are just the names.
        enter(f.key.empty() ? sub : f.key + '\\' + sub);
    }
}

}  // namespace

std::string EscapeRegText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out;
}

std::string FormatRegistryExport(const RegistryStore& store, RegRoot root, std::string_view keyPath) {
    if (!keyPath.empty() && keyPath.back() == '\\') keyPath.remove_suffix(1);
    std::string out = "REGEDIT4\r\n";
    AppendTree(out, store, root, std::string(keyPath));
    return out;
}

bool ExportRegistryKey(const RegistryStore& store, RegRoot root, std::string_view keyPath, const std::string& fileName) {
    namespace fs = std::filesystem;
    std::string text = FormatRegistryExport(store, root, keyPath);
    fs::path target(fileName);
    std::string folder = target.parent_path().empty() ? std::string(".") : target.parent_path().string();
    // A temporary name of our own (not mkstemp) so that the file gets the permissions the
    // umask gives any new file.
    static std::atomic<unsigned> counter{0};
    std::string tmp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        tmp = platform::TempNameBeside(folder, target.filename().string(),
                                       "." + std::to_string(::getpid()) + "." + std::to_string(counter++) + ".tmp");
        fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    size_t done = 0;
    bool ok = true;
    while (ok && done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ok = false;
        else done += static_cast<size_t>(n);
    }
    if (ok && ::fsync(fd) != 0) ok = false;
    if (::close(fd) != 0) ok = false;
    if (ok && ::rename(tmp.c_str(), fileName.c_str()) != 0) ok = false;
    if (!ok) ::unlink(tmp.c_str());
    return ok;
}

}  // namespace vantum::cleaning
