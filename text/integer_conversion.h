#pragma once

#include <cstdint>

// Conversions from the double that TextToNumber gives to the integers its callers store. Each
// truncates toward zero, and none has undefined behaviour for any input (NaN and infinities
// included), which a plain cast does not promise.

// Toward zero to signed 64 bits; NaN and values outside the signed 64-bit range give 0.
int64_t TruncateToInt64(double value);

// Toward zero to signed 32 bits: the signed 64-bit truncation above, of which the low 32 bits
// are kept.
int32_t TruncateToInt32(double value);

// The low 32 bits of a signed 64-bit value, read as unsigned.
uint32_t LowBits32(int64_t value);

// The low 16 bits of a signed 32-bit value, read as unsigned.
uint16_t LowBits16(int32_t value);
