#include "recorder/input_watch.h"

namespace {

// The device appends a capture buffer of a third of a second at a time. A recorded length that
// has not grown for this long while the device says it records means the input is gone. The
// bounds are generous: a device given up on cannot be used again, and a busy machine can hold
// the sound back for a second or two, most of all before the first buffer.
constexpr DWORD kInputSilenceMs = 5000;
constexpr DWORD kFirstSoundMs = 10000;
// A live input keeps its recorded length within a buffer of the time the take has run, behind it
// by a lag of its own (the smallest seen). Further behind than this, it may have stopped.
constexpr int64_t kBehindMs = 500;

}  // namespace

void InputWatch::Begin(DWORD takeStart, DWORD now) {
    takeStart_ = takeStart;
    lengthMs_ = 0;
    lastGrowth_ = now;
    lagKnown_ = false;
}

bool InputWatch::NoteLength(DWORD_PTR lengthMs, DWORD now) {
    if (lengthMs == lengthMs_) {
        return false;
    }
    lengthMs_ = lengthMs;
    lastGrowth_ = now;
    // Lengths in milliseconds are 32-bit, as every device value is.
    const int64_t lag = int64_t{now - takeStart_} - static_cast<uint32_t>(lengthMs);
    if (!lagKnown_ || lag < smallestLag_) {
        smallestLag_ = lag;
        lagKnown_ = true;
    }
    return true;
}

void InputWatch::NoteUnknown(DWORD now) {
    lastGrowth_ = now;
}

bool InputWatch::SilentTooLong(DWORD now) const {
    const DWORD silenceAllowed = lengthMs_ > 0 ? kInputSilenceMs : kFirstSoundMs;
    return now - lastGrowth_ >= silenceAllowed;
}

bool InputWatch::FarBehind(DWORD now) const {
    if (!lagKnown_) {
        return true;
    }
    return int64_t{now - takeStart_} - static_cast<uint32_t>(lengthMs_) - smallestLag_ > kBehindMs;
}
