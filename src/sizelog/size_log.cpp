#include "sizelog/size_log.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <ctime>
#include <unistd.h>

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
    IniFile ini(path);
    std::vector<SizeLogEntry> out;
    if (ini.state() != IniFile::State::Loaded) return out;
    for (const std::string& day : ini.ReadSections()) {
        SizeLogEntry e;
        e.day = day;
        bool haveFree = false, haveUsed = false;
        for (const auto& [key, value] : ini.ReadSectionValues(day)) {
            // The first occurrence of a key counts, as everywhere in the ini class.
            if (!haveFree && strcasecmp(key.c_str(), kFree) == 0) {
                e.free = ParseLogValue(value).value_or(0);
                haveFree = true;
            } else if (!haveUsed && strcasecmp(key.c_str(), kUsed) == 0) {
                e.used = ParseLogValue(value).value_or(0);
                haveUsed = true;
            }
        }
        out.push_back(std::move(e));
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
