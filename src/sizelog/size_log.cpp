#include "sizelog/size_log.h"

#include <cerrno>
#include <charconv>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ctime>
#include <unistd.h>

#include <string_view>
#include <unordered_map>

#include "settings/ini_file.h"
#include "settings/settings_path.h"

namespace vantum::sizelog {

using settings::IniFile;

namespace {

constexpr const char* kFree = "Free";
constexpr const char* kUsed = "Used";

SizeLogResult Fail(std::string text) { return {false, std::move(text)}; }

SizeLogResult Saved(IniFile& ini) {
    settings::IniResult r = ini.SaveAlways();
    if (!r) return Fail(r.message);
    return {};
}

}  // namespace

std::string TodayIso() {
    std::time_t now = std::time(nullptr);
    std::tm tm {};
    localtime_r(&now, &tm);
    char buf[16];
    std::strftime(buf, sizeof buf, "%Y-%m-%d", &tm);
    return buf;
}

std::optional<std::int64_t> ParseLogValue(const std::string& text) {
    std::string s;
    for (char c : text)
        if (c != ' ' && c != '\t') s += (c == ',') ? '.' : c;
    if (s.empty()) return std::nullopt;
    std::int64_t whole = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), whole);
    if (ec == std::errc() && p == s.data() + s.size()) return whole;
    // Older logs: general notation with up to 15 significant digits, e.g. "1.5E+11".
    double d = 0;
    auto [q, ec2] = std::from_chars(s.data(), s.data() + s.size(), d);
    if (ec2 != std::errc() || q != s.data() + s.size() || !std::isfinite(d)) return std::nullopt;
    if (std::fabs(d) >= 9.2e18) return std::nullopt;
    return static_cast<std::int64_t>(std::llround(d));
}

std::vector<SizeLogEntry> ReadSizeLog(const std::string& path) {
    // One pass over the text (a log of ten years has 3 650 sections); the same reading rules as
    // the ini class: names without regard to ASCII case, the first occurrence of a section or
    // key counts, a section written twice is one.
    std::vector<SizeLogEntry> out;
    std::ifstream in(path, std::ios::binary);
    if (!in) return out;
    // A log grows by some 50 bytes a day: anything near the cap is not a size log.
    constexpr std::uintmax_t kMaxLogBytes = 64u << 20;
    std::error_code ec;
    std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size > kMaxLogBytes) return out;
    std::string text(static_cast<std::size_t>(size), '\0');
    in.read(text.data(), static_cast<std::streamsize>(size));
    text.resize(static_cast<std::size_t>(in.gcount()));
    struct Seen {
        std::size_t index;
        bool free = false, used = false;
    };
    std::unordered_map<std::string, Seen> byName;
    Seen* current = nullptr;
    auto lower = [](std::string s) {
        for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    };
    auto trim = [](std::string_view v) {
        while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
        while (!v.empty() && (v.back() == ' ' || v.back() == '\t' || v.back() == '\r')) v.remove_suffix(1);
        return v;
    };
    std::string_view rest = text;
    while (!rest.empty()) {
        std::size_t nl = rest.find('\n');
        std::string_view line = trim(rest.substr(0, nl));
        rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            std::string name(trim(line.substr(1, line.size() - 2)));
            auto [it, fresh] = byName.try_emplace(lower(name), Seen{out.size()});
            if (fresh) out.push_back(SizeLogEntry{name, 0, 0});
            current = &it->second;
            continue;
        }
        std::size_t eq = line.find('=');
        if (!current || eq == std::string_view::npos) continue;
        std::string key = lower(std::string(trim(line.substr(0, eq))));
        std::string value(trim(line.substr(eq + 1)));
        SizeLogEntry& e = out[current->index];
        if (key == "free" && !current->free) {
            e.free = ParseLogValue(value).value_or(0);
            current->free = true;
        } else if (key == "used" && !current->used) {
            e.used = ParseLogValue(value).value_or(0);
            current->used = true;
        }
    }
    return out;
}

SizeLogResult WriteSizeLogEntry(const std::string& path, const std::string& day, const DriveTotals& totals) {
    IniFile ini(path);
    if (ini.state() == IniFile::State::Unreadable) return Fail(ini.loadError());
    ini.WriteInteger(day, kFree, totals.free);
    ini.WriteInteger(day, kUsed, totals.used);
    return Saved(ini);
}

SizeLogResult WriteSizeLogEntry(DriveTotals* measured) {
    DriveTotals t = MeasureFixedDrives();
    if (measured) *measured = t;
    // The settings folder may not exist yet when the log is written by a timer before the
    // window ever ran.
    std::error_code ec;
    std::filesystem::create_directories(settings::AppDataFolder(), ec);
    return WriteSizeLogEntry(settings::SizeLogPath(), TodayIso(), t);
}

SizeLogResult ClearSizeLog(const std::string& path) {
    if (unlink(path.c_str()) != 0 && errno != ENOENT) return Fail(path + ": " + std::strerror(errno));
    return {};
}

SizeLogResult HalveSizeLog(const std::string& path) {
    IniFile ini(path);
    if (ini.state() == IniFile::State::Missing) return {};
    if (ini.state() != IniFile::State::Loaded) return Fail(ini.loadError());
    std::vector<std::string> days = ini.ReadSections();
    for (std::size_t i = 0; i < days.size(); i += 2) ini.EraseSection(days[i]);
    return Saved(ini);
}

}  // namespace vantum::sizelog
