#include "recorder/input_watch.h"

namespace {

// The device appends a capture buffer of a third of a second at a time. A recorded length that
// has not grown for this long while the device says it records means the input is gone. The
// bound is generous: a busy machine can hold the sound back for a second or two.
constexpr DWORD kInputSilenceMs = 5000;
// A device that says it no longer records, though it did (its input unplugged, its file's volume
// full, its capture ended), has stopped by itself. A moment's other answer is not taken for that:
// its length must have stood still for a second as well.
constexpr DWORD kStoppedSilenceMs = 1000;
// The tick asks every half second. A gap longer than this between two readings is the clock
// jumping (a sleep, a suspended machine, a thread held up), not the input pausing.
constexpr DWORD kClockJumpMs = 2000;
// A live input keeps its recorded length within a buffer of the time the file has run, behind it
// by a lag of its own (the smallest seen lately). Further behind than this, it may have stopped.
constexpr int64_t kBehindMs = 500;
// The lag moves over a long take (the sound's clock runs apart from the system's, a loaded
// machine loses a buffer): learnt from the start, a live input would look behind after half an
// hour, and every stop would wait a buffer for it. So it is the smallest of the last stretch of
// growth: of this window of the file's time and of the one before it.
constexpr DWORD kLagWindowMs = 10000;
// A file whose length has not grown for this long after its record command has recorded nothing.
// Wine's length can be read at once and first grows 337 to 396 ms after the record command
// returns, also with the machine loaded to four times its cores: six of its buffers is five
// times the latest seen.
constexpr DWORD kFirstGrowthMs = 2000;

}  // namespace

void InputWatch::Begin(DWORD fileStart, DWORD now) {
    fileStart_ = fileStart;
    lastSeen_ = now;
    lengthMs_ = 0;
    silentMs_ = 0;
    armed_ = false;
    lengthTold_ = false;
    lagKnown_ = false;
    earlierLagKnown_ = false;
}

void InputWatch::CountSilence(DWORD now) {
    const DWORD gap = now - lastSeen_;
    lastSeen_ = now;
    if (gap <= kClockJumpMs) {
        silentMs_ += gap;
    } else {
        // Whatever the lag was, the time asleep is in it now.
        lagKnown_ = false;
        earlierLagKnown_ = false;
    }
}

bool InputWatch::NoteLength(DWORD_PTR lengthMs, DWORD now) {
    CountSilence(now);
    lengthTold_ = true;
    if (lengthMs == lengthMs_) {
        return false;
    }
    lengthMs_ = lengthMs;
    silentMs_ = 0;
    armed_ = true;
    // Lengths in milliseconds are 32-bit, as every device value is.
    const DWORD ran = now - fileStart_;
    const int64_t lag = int64_t{ran} - static_cast<uint32_t>(lengthMs);
    if (lagKnown_ && ran - lagWindowStart_ >= kLagWindowMs) {
        earlierLag_ = smallestLag_;
        earlierLagKnown_ = true;
        lagKnown_ = false;
    }
    if (!lagKnown_ || lag < smallestLag_) {
        smallestLag_ = lag;
        lagWindowStart_ = lagKnown_ ? lagWindowStart_ : ran;
        lagKnown_ = true;
    }
    return true;
}

bool InputWatch::Look(const InputReading& reading, DWORD now) {
    if (reading.lengthTold) {
        return NoteLength(reading.lengthMs, now);
    }
    CountSilence(now);
    if (!armed_) {
        return false;  // nothing recorded yet, and no sign that anything will be
    }
    silentMs_ = 0;
    return true;
}

bool InputWatch::SeesDeadInput(const InputReading& reading, DWORD now) {
    if (Look(reading, now)) {
        return false;
    }
    if (!armed_) {
        return SeesNothingRecorded(reading);
    }
    if (reading.says == InputReading::Says::kCannotTell) {
        return false;
    }
    return silentMs_ >= (reading.says == InputReading::Says::kRecords ? kInputSilenceMs : kStoppedSilenceMs);
}

// A length never told is no recording at all: the position is a status item that every device
// answers, and Wine's fails it only when its capture has no file to write (a temporary folder that
// is missing or that the process's code page cannot spell), whose stop then never returns. A length
// told but standing still is judged only where a stop would hang without input: Wine's grows a
// buffer at a time, while elsewhere nothing promises that it grows before the stop. Only a device
// that says it records is judged: one that does not was told as a failed record at its start.
bool InputWatch::SeesNothingRecorded(const InputReading& reading) const {
    return silentMs_ >= kFirstGrowthMs && reading.says == InputReading::Says::kRecords &&
           (!lengthTold_ || !reading.stopsWithoutInput);
}

bool InputWatch::LagsBehind(DWORD now) const {
    if (!armed_ || !lagKnown_) {
        return true;
    }
    const int64_t usualLag = earlierLagKnown_ && earlierLag_ < smallestLag_ ? earlierLag_ : smallestLag_;
    return int64_t{now - fileStart_} - static_cast<uint32_t>(lengthMs_) - usualLag > kBehindMs;
}
