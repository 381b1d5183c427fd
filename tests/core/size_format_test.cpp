#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/size_format.h"

using namespace vantum;

TEST(SizeFormat, FormatSizeTable) {
    struct Case {
        double mb;
        const char* text;
    } cases[] = {
        {0, "0 kb"},          {0.5, "512 kb"},          {1.5, "1.5 Mb"},     {2048, "2 Gb"},
        {1023.999, "1024 Mb"}, {1023.996, "1024 Mb"},   {1024, "1 Gb"},      {1.25, "1.25 Mb"},
        {1.005, "1 Mb"},      {1.015, "1.02 Mb"},        {5120, "5 Gb"},      {0.0009765625, "1 kb"},
        {123.456, "123.46 Mb"}, {999.999, "1000 Mb"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatSize(c.mb), c.text) << c.mb;
    EXPECT_EQ(FormatSize(1.5, ','), "1,5 Mb");
}

TEST(SizeFormat, RoundTo2DecimalsTiesToEven) {
    struct Case {
        std::int64_t in, out;  // ten-thousandths
    } cases[] = {
        {12345, 12300},  // 1.2345 -> 1.23 (0.45 rounds down)
        {12350, 12400},  // 1.235 -> tie 23.5 -> 24
        {12250, 12200},  // 1.225 -> tie 22.5 -> 22
        {19950, 20000},  // 1.995 -> tie 199.5 -> 200 -> 2.00
        {-12350, -12400},
        {5000, 5000},
        {49, 0},
        {50, 0},   // 0.005: tie 0.5 -> 0
        {150, 200},  // 0.015: tie 1.5 -> 2
    };
    for (const auto& c : cases) EXPECT_EQ(RoundTo2Decimals(Fixed4{c.in}).units, c.out) << c.in;
    EXPECT_DOUBLE_EQ(RoundTo2Decimals(2.675), 2.68);
}

TEST(SizeFormat, Elapsed) {
    EXPECT_EQ(FormatElapsed(83456), "  01:23:456 ms");
    EXPECT_EQ(FormatElapsed(5), "  00:00:05 ms");
    EXPECT_EQ(FormatElapsed(3600000 + 61010), "  01:01:10 ms") << "hours are not shown";
}

// Values no scan produces (a damaged file, a bad division) must neither be undefined casts
// nor turn into text that looks like a size.
TEST(SizeFormat, OutOfRangeValuesSaturateAndNaNIsZero) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::int64_t max = Fixed4::kMaxUnits;
    struct Case {
        double in;
        std::int64_t units;
    } cases[] = {
        {std::nan(""), 0}, {inf, max},  {-inf, -max}, {1e300, max}, {-1e300, -max},
        {9.3e14, max},     {9e14, max}, {8.9e14, 8'900'000'000'000'000'000},
    };
    for (const auto& c : cases) EXPECT_EQ(Fixed4::FromDouble(c.in).units, c.units) << c.in;
    // The text of the extremes stays a plain number; negation and rounding do not overflow.
    EXPECT_EQ(FormatSize(inf), "900000000000000 Gb");
    EXPECT_EQ(FormatSize(-1e300), "-900000000000000 kb");
    EXPECT_EQ(FormatSize(std::nan("")), "0 Gb");
    EXPECT_EQ(RoundTo2Decimals(Fixed4{max - 1}).units, max);
}
