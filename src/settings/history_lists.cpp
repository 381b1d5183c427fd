#include "settings/history_lists.h"

#include <sys/stat.h>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace vantum::settings {

int WriteList(IniFile& ini, std::string_view section, const std::vector<std::string>& entries,
              int max) {
    std::vector<const std::string*> kept;
    for (const std::string& e : entries) {
        if (int(kept.size()) >= max) break;
        if (!e.empty() && IniFile::IsStorableValue(e)) kept.push_back(&e);
    }
    const int n = int(kept.size());
    ini.WriteInteger(section, "count", n);
    for (int i = 0; i < n; ++i) {
        const std::string k = std::to_string(i);
        ini.DeleteKey(section, k);
        ini.WriteString(section, k, *kept[size_t(i)]);
    }
    return n;
}

std::vector<std::string> ReadList(const IniFile& ini, std::string_view section) {
    std::vector<std::string> out;
    const int n = ini.ReadInteger(section, "count", 0);
    if (n <= 0) return out;
    // Only the keys present are visited: a count far beyond them (a damaged file) costs nothing.
    std::vector<std::pair<int, std::string>> entries;
    for (const std::string& k : ini.ReadSection(section)) {
        int i = 0;
        if (!IniFile::ParseInteger(k, i) || i < 0 || i >= n || std::to_string(i) != k) continue;
        std::string v = ini.ReadString(section, k);
        if (!v.empty()) entries.emplace_back(i, std::move(v));
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& e : entries) out.push_back(std::move(e.second));
    return out;
}

int WriteFolderHistory(IniFile& ini, const std::vector<std::string>& folders) {
    return WriteList(ini, kHistorySection, folders, kHistoryMaxWritten);
}

std::vector<std::string> ReadFolderHistory(const IniFile& ini) {
    return ReadList(ini, kHistorySection);
}

int WriteTempFolders(IniFile& ini, const std::vector<std::string>& folders) {
    return WriteList(ini, kTempFoldersSection, folders, kTempFoldersMaxWritten);
}

std::vector<std::string> ReadTempFolders(const IniFile& ini) {
    std::vector<std::string> out = ReadList(ini, kTempFoldersSection);
    std::erase_if(out, [](const std::string& p) {
        struct stat st {};
        return ::stat(p.c_str(), &st) != 0 || !S_ISDIR(st.st_mode);
    });
    return out;
}

IniResult MakeSureExists(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        const std::string folder = path.substr(0, slash);
        std::error_code ec;
        if (!std::filesystem::is_directory(folder, ec)) {
            std::filesystem::create_directories(folder, ec);
            if (ec || !std::filesystem::is_directory(folder, ec))
                return IniResult::Fail("Could not create " + folder);
        }
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return IniResult::Ok();
    // No O_TRUNC: a file made meanwhile by another copy of the program is kept.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return IniResult::Fail("Could not create " + path);
    ::close(fd);
    return IniResult::Ok();
}

}  // namespace vantum::settings
