#include "core/size_format.h"

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vantum {

Fixed4 Fixed4::FromDouble(double v) {
    // Casting a double outside the int64 range is undefined; and the rounding and text code
    // below needs headroom above the limit (and no INT64_MIN to negate).
    if (std::isnan(v)) return Fixed4{};
    const double units = v * 10000.0;
    if (units >= static_cast<double>(kMaxUnits)) return Fixed4{kMaxUnits};
    if (units <= -static_cast<double>(kMaxUnits)) return Fixed4{-kMaxUnits};
    // nearbyint rounds in the current mode, which is to-nearest-even unless someone changed it.
    return Fixed4{static_cast<std::int64_t>(std::nearbyint(units))};
}

static std::int64_t RoundHalfEven(std::int64_t num, std::int64_t den) {
    std::int64_t q = num / den, r = num % den;  // truncated toward zero
    std::int64_t twice = 2 * std::llabs(r);
    if (twice > den || (twice == den && (q % 2 != 0))) q += (num < 0) ? -1 : 1;
    return q;
}

Fixed4 RoundTo2Decimals(Fixed4 x) {
    std::int64_t whole = x.units / 10000;
    std::int64_t frac = x.units - whole * 10000;  // same sign as x
    // frac × 100 as a 4-decimal value is frac/100 whole units; round it to an integer.
    std::int64_t hundredths = RoundHalfEven(frac, 100);
    return Fixed4{whole * 10000 + hundredths * 100};
}

double RoundTo2Decimals(double x) { return RoundTo2Decimals(Fixed4::FromDouble(x)).ToDouble(); }

std::string FixedToText(Fixed4 v, char sep) {
    std::int64_t u = v.units;
    std::string out;
    if (u < 0) {
        out += '-';
        u = -u;
    }
    out += std::to_string(u / 10000);
    std::int64_t frac = u % 10000;
    if (frac) {
        std::string digits = std::to_string(frac + 10000).substr(1);
        while (!digits.empty() && digits.back() == '0') digits.pop_back();
        out += sep;
        out += digits;
    }
    return out;
}

std::string FormatSize(double x, char sep) {
    double value;
    const char* unit;
    if (x < 1) {
        value = x * 1024;
        unit = " kb";
    } else if (x < 1024) {
        value = x;
        unit = " Mb";
    } else {
        value = x / 1024;
        unit = " Gb";
    }
    return FixedToText(RoundTo2Decimals(Fixed4::FromDouble(value)), sep) + unit;
}

}  // namespace vantum

namespace vantum {
std::string FormatElapsed(std::int64_t ms) {
    if (ms < 0) ms = 0;
    char buf[48];
    std::snprintf(buf, sizeof buf, "  %02d:%02d:%02d ms", static_cast<int>(ms / 60000 % 60),
                  static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000));
    return buf;
}
}  // namespace vantum
