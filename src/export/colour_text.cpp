#include "export/colour_text.h"

#include <cstdlib>
#include <cstdio>
#include <strings.h>

namespace vantum::exporting {
namespace {

struct Named {
    const char* name;
    unsigned bgr;  // 00BBGGRR
};
constexpr Named kNamed[] = {
    {"clBlack", 0x000000},  {"clMaroon", 0x000080},     {"clGreen", 0x008000},   {"clOlive", 0x008080},
    {"clNavy", 0x800000},   {"clPurple", 0x800080},     {"clTeal", 0x808000},    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0}, {"clRed", 0x0000FF},        {"clLime", 0x00FF00},    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},   {"clFuchsia", 0xFF00FF},    {"clAqua", 0xFFFF00},    {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xF0CAA6}, {"clCream", 0xF0FBFF}, {"clMedGray", 0xA4A0A0},
};

unsigned ToBgr(const QColor& c) {
    return static_cast<unsigned>(c.red()) | static_cast<unsigned>(c.green()) << 8 | static_cast<unsigned>(c.blue()) << 16;
}
QColor FromBgr(unsigned v) { return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF); }

}  // namespace

std::string ColourToText(const QColor& colour) {
    const unsigned bgr = ToBgr(colour);
    for (const Named& n : kNamed)
        if (n.bgr == bgr) return n.name;
    char buf[16];
    std::snprintf(buf, sizeof buf, "$%08X", bgr);
    return buf;
}

std::optional<QColor> ColourFromText(const std::string& text) {
    for (const Named& n : kNamed)
        if (strcasecmp(n.name, text.c_str()) == 0) return FromBgr(n.bgr);
    if (text.empty()) return std::nullopt;
    const bool hex = text[0] == '$';
    const char* digits = text.c_str() + (hex ? 1 : 0);
    if (!*digits) return std::nullopt;
    char* end = nullptr;
    const long long v = std::strtoll(digits, &end, hex ? 16 : 10);
    if (*end || v < 0 || v > 0xFFFFFFFFLL) return std::nullopt;
    // Only the low three bytes are a colour; a set high byte names a system colour we lack.
    if (v > 0xFFFFFF) return std::nullopt;
    return FromBgr(static_cast<unsigned>(v));
}

QColor ColourFromRrggbb(const std::string& hex) {
    const unsigned v = static_cast<unsigned>(std::strtoul(hex.c_str(), nullptr, 16));
    return QColor((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

}  // namespace vantum::exporting
