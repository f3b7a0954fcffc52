#include "text/integer_conversion.h"

#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

namespace {

constexpr double kPositiveInfinity = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int64_t kInt64Min = std::numeric_limits<int64_t>::min();
constexpr int32_t kInt32Min = std::numeric_limits<int32_t>::min();

struct TruncationRow {
    double value;
    int64_t int64;   // TruncateToInt64
    int32_t int32;   // TruncateToInt32
    uint32_t low32;  // LowBits32 of the 64-bit truncation
};

TEST(Truncation, TowardZeroKeepingTheLowBits) {
    const TruncationRow rows[] = {
        {0.0, 0, 0, 0u},
        {-0.0, 0, 0, 0u},
        // Toward zero, not to the nearest or down.
        {2.9, 2, 2, 2u},
        {-2.9, -2, -2, 4294967294u},
        {0.999, 0, 0, 0u},
        {-0.5, 0, 0, 0u},
        // Past 32 bits the 32-bit results wrap rather than saturate.
        {4294967296.0, 4294967296, 0, 0u},
        {4294967297.0, 4294967297, 1, 1u},
        {2147483648.0, 2147483648, kInt32Min, 2147483648u},
        {-2147483649.0, -2147483649, 2147483647, 2147483647u},
        {-1.0, -1, -1, 4294967295u},
        // 2^63 is just outside the signed range, -2^63 just inside.
        {9.2233720368547758e18, 0, 0, 0u},
        {-9.2233720368547758e18, kInt64Min, 0, 0u},
        {9223372036854774784.0, 9223372036854774784, -1024, 4294966272u},
        {-9223372036854777856.0, 0, 0, 0u},
        {1e300, 0, 0, 0u},
        {-1e300, 0, 0, 0u},
        {kNaN, 0, 0, 0u},
        {-kNaN, 0, 0, 0u},
        {kPositiveInfinity, 0, 0, 0u},
        {-kPositiveInfinity, 0, 0, 0u},
    };
    for (const TruncationRow& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(row.value));
        EXPECT_EQ(TruncateToInt64(row.value), row.int64);
        EXPECT_EQ(TruncateToInt32(row.value), row.int32);
        EXPECT_EQ(LowBits32(TruncateToInt64(row.value)), row.low32);
    }
}

// A format field keeps 16 bits of the 32-bit truncation, read as unsigned.
TEST(LowBits, SixteenBitFieldsFromDoubles) {
    const struct {
        double value;
        uint16_t expected;
    } rows[] = {
        {48000.0, 48000},  // above the signed 16-bit range, still a valid rate
        {44100.9, 44100}, {65535.0, 65535}, {65536.0 + 16.0, 16},   {4294967296.0 + 16.0, 16},
        {-1.0, 65535},    {kNaN, 0},        {kPositiveInfinity, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(row.value));
        EXPECT_EQ(LowBits16(TruncateToInt32(row.value)), row.expected);
    }
}

TEST(LowBits, IntegersKeepTheirLowBits) {
    EXPECT_EQ(LowBits32(kInt64Min), 0u);
    EXPECT_EQ(LowBits32(std::numeric_limits<int64_t>::max()), 4294967295u);
    EXPECT_EQ(LowBits32(-4294967296), 0u);
    EXPECT_EQ(LowBits16(kInt32Min), 0u);
    EXPECT_EQ(LowBits16(-32768), 32768u);
    EXPECT_EQ(LowBits16(0x12345678), 0x5678u);
}

}  // namespace
