#pragma once

#include <cstdint>

// How large one file of a take may grow. The device writes its recording through the platform's
// multimedia file functions, whose offsets are signed 32-bit: a file of 2^31 bytes or more (the
// header included) comes out with wrong sizes and stray bytes. A WAV's own sizes are 32-bit, so
// 4 GiB is the format's limit on any platform.
constexpr uint64_t kWriterLimitBytes = uint64_t{1} << 31;

// A take goes on in a new file before its current one can reach the writer's limit. The margin
// is 16 MiB: 87 s of the fastest preset (48 kHz stereo, 192,000 bytes a second), so a tick that
// comes late, or a machine too busy to answer for a minute, still hands over in time.
constexpr uint64_t kHandOverMarginBytes = uint64_t{16} << 20;
constexpr uint64_t kHandOverBytes = kWriterLimitBytes - kHandOverMarginBytes;
