#include "text/integer_conversion.h"

int64_t TruncateToInt64(double value) {
    // -2^63 is representable, 2^63 is not; both bounds are exact doubles. NaN fails both tests.
    constexpr double kLowest = -0x1p63;
    constexpr double kPastHighest = 0x1p63;
    if (!(value >= kLowest && value < kPastHighest)) {
        return 0;
    }
    // In range, the conversion is defined and truncates toward zero.
    return static_cast<int64_t>(value);
}

int32_t TruncateToInt32(double value) {
    // Unsigned to signed keeps the bits, so the low half reads as two's complement.
    return static_cast<int32_t>(LowBits32(TruncateToInt64(value)));
}

uint32_t LowBits32(int64_t value) {
    return static_cast<uint32_t>(static_cast<uint64_t>(value));
}

uint16_t LowBits16(int32_t value) {
    return static_cast<uint16_t>(static_cast<uint32_t>(value));
}
