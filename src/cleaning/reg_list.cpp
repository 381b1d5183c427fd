#include "cleaning/reg_list.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>

#include "cleaning/reg_export.h"

namespace vantum::cleaning {

namespace {

constexpr size_t kRestoreMaxBytes = 16u << 20;

bool SameKeyName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

std::string DataText(const platform::RegValue& v) {
    static const char* hex = "0123456789ABCDEF";
    switch (v.type) {
        case platform::RegType::String:
        case platform::RegType::ExpandString: return v.text;
        case platform::RegType::Dword: return std::to_string(v.number);
        case platform::RegType::MultiString: {
            std::string out;
            for (const auto& s : v.strings) out += (out.empty() ? "" : "; ") + s;
            return out;
        }
        case platform::RegType::Binary:
        case platform::RegType::Other: {
            std::string out;
            for (unsigned char c : v.bytes) {
                if (!out.empty()) out += ' ';
                out += hex[c >> 4];
                out += hex[c & 15];
            }
            return out;
        }
    }
    return {};
}

}  // namespace

bool WriteRegistryBackup(const platform::RegistryStore& store, platform::RegRoot root, std::string_view key,
                         const std::string& stem, std::string* file, std::string* error) {
    std::time_t now = std::time(nullptr);
    std::tm tm {};
    ::localtime_r(&now, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "_%d_%m__%H_%M", &tm);
    for (int n = 1; n < 1000; ++n) {
        std::string name = stem + stamp + (n == 1 ? "" : "_" + std::to_string(n)) + ".reg";
        // Take the name first so that a backup of the same minute never replaces this one.
        int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) {
            if (error) *error = "Cannot create " + name + ": " + std::strerror(errno);
            return false;
        }
        ::close(fd);
        if (!ExportRegistryKey(store, root, key, name)) {
            ::unlink(name.c_str());
            if (error) *error = "Cannot write " + name;
            return false;
        }
        if (file) *file = name;
        return true;
    }
    if (error) *error = "No free name for a backup beside " + stem;
    return false;
}

std::optional<std::vector<RegImportKey>> RegeditForKeyOnly(const std::string& regFile, platform::RegRoot root,
                                                           std::string_view key, std::string* error) {
    auto fail = [&](const std::string& why) -> std::optional<std::vector<RegImportKey>> {
        if (error) *error = why;
        return std::nullopt;
    };
    struct stat st {};
    if (::stat(regFile.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return fail("Cannot open " + regFile);
    if (static_cast<std::uint64_t>(st.st_size) > kRestoreMaxBytes) return fail(regFile + " is too large for a backup");
    std::ifstream in(regFile, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) return fail("Cannot read " + regFile);
    std::string why;
    auto keys = ParseRegedit4(text, &why);
    if (!keys) return fail(regFile + " is not a valid registry file, nothing is restored: " + why);
    for (const auto& k : *keys) {
        if (k.root != root || !SameKeyName(k.path, key) || k.remove) {
            std::string name = std::string(platform::RootName(k.root)) + (k.path.empty() ? "" : "\\" + k.path);
            if (name.size() > 200) name = name.substr(0, 200) + "...";
            return fail(regFile + (k.remove ? " deletes " : " writes to ") + name +
                        ", not only the values of the edited key; nothing is restored");
        }
    }
    return keys;
}

std::vector<RegListRow> RegistryKeyList::Rows() const {
    std::vector<RegListRow> rows;
    auto contents = store_.OpenKey(root_, key_);
    if (!contents) return rows;
    for (const auto& v : contents->values) rows.push_back({v.name, DataText(v)});
    return rows;
}

size_t RegistryKeyList::Delete(const std::vector<std::string>& names) {
    size_t deleted = 0;
    store_.Update([&](platform::RegistryStore& s) {
        for (const auto& n : names) deleted += s.DeleteValue(root_, key_, n) ? 1 : 0;
        return true;
    });
    return deleted;
}

bool RegistryKeyList::Add(const std::string& name, const std::string& value, std::string* error) {
    if (!KeyExists()) {
        if (error) *error = "The key " + std::string(platform::RootName(root_)) + "\\" + key_ + " does not exist";
        return false;
    }
    if (store_.WriteString(root_, key_, name, value)) return true;
    if (error) *error = store_.LastError();
    return false;
}

}  // namespace vantum::cleaning
