#pragma once
// Size texts shown in the lists: " kb", " Mb", " Gb" with at most two decimals.

#include <cstdint>
#include <string>

namespace vantum {

// A fixed-point value with four decimals, held as ten-thousandths.
struct Fixed4 {
    // 9e14 whole units: far above any disk size in MB or GB, well inside int64.
    static constexpr std::int64_t kMaxUnits = 9'000'000'000'000'000'000;
    std::int64_t units = 0;
    // Rounds to nearest, ties to even; NaN gives 0, anything beyond ±kMaxUnits saturates.
    static Fixed4 FromDouble(double v);
    double ToDouble() const { return static_cast<double>(units) / 10000.0; }
    friend bool operator==(Fixed4 a, Fixed4 b) { return a.units == b.units; }
};

// Integer part (toward zero) plus the fraction rounded to two decimals, ties to even.
Fixed4 RoundTo2Decimals(Fixed4 x);
double RoundTo2Decimals(double x);

// Shortest form of a fixed-point value: no thousands separator, no trailing zeros.
std::string FixedToText(Fixed4 v, char decimalSeparator = '.');

// x in MB: below 1 as kb, below 1024 as Mb, else Gb; "512 kb", "1.5 Mb", "2 Gb".
std::string FormatSize(double megabytes, char decimalSeparator = '.');

}  // namespace vantum

namespace vantum {
// Elapsed time of a scan: two spaces, minutes, seconds and milliseconds ("  01:23:456 ms");
// hours are not shown.
std::string FormatElapsed(std::int64_t milliseconds);
}  // namespace vantum
