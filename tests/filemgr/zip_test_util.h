#pragma once
// Helpers for the zip tests: running the reference tools and crafting archives by hand.
#include <sys/stat.h>
#include <zip.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace vantum::test {

struct Shell {
    int status;
    std::string output;
};

inline Shell RunShell(const std::string& cmd) {
    Shell r{-1, {}};
    FILE* p = popen((cmd + " 2>&1").c_str(), "r");
    if (!p) return r;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) r.output.append(buf, n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

inline std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// One entry of a hand-made archive: a file, a folder (name ends with "/") or a link.
struct RawEntry {
    std::string name;
    std::string data;
    bool link = false;
};

// Writes entries exactly as named, bypassing every check of the packer.
inline bool WriteRawArchive(const std::string& path, const std::vector<RawEntry>& entries) {
    int err = 0;
    zip_t* za = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!za) return false;
    for (const RawEntry& e : entries) {
        zip_int64_t idx;
        if (!e.name.empty() && e.name.back() == '/') {
            idx = zip_dir_add(za, e.name.c_str(), ZIP_FL_ENC_RAW);
        } else {
            zip_source_t* src = zip_source_buffer(za, e.data.data(), e.data.size(), 0);
            idx = zip_file_add(za, e.name.c_str(), src, ZIP_FL_ENC_RAW);
            if (idx < 0) {
                zip_source_free(src);
                zip_discard(za);
                return false;
            }
        }
        if (e.link)
            zip_file_set_external_attributes(za, static_cast<zip_uint64_t>(idx), 0, ZIP_OPSYS_UNIX,
                                             static_cast<zip_uint32_t>(S_IFLNK | 0777) << 16);
    }
    return zip_close(za) == 0;
}

// Replaces every occurrence of from by to (same length) in a file: the way to give two
// entries one name, which no writer allows.
inline bool PatchBytes(const std::string& path, const std::string& from, const std::string& to) {
    FILE* f = std::fopen(path.c_str(), "r+b");
    if (!f || from.size() != to.size()) return false;
    std::string data;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, f)) > 0;) data.append(buf, n);
    bool found = false;
    for (size_t p = data.find(from); p != std::string::npos; p = data.find(from, p + 1)) {
        data.replace(p, to.size(), to);
        found = true;
    }
    std::rewind(f);
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
    return found;
}

}  // namespace vantum::test
