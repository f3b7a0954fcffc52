#pragma once

#include <windows.h>

#include <cstdint>

// What the recorded length of a running take has done: when it last grew, and how far it lags
// behind the time the take has run. The recorder reads the length from the device and hands it
// in with the time of reading; from that the watch tells a live input from one that has died.
class InputWatch {
public:
    // A take recording since takeStart; nothing recorded yet at now.
    void Begin(DWORD takeStart, DWORD now);
    // A length read at now; true when it has grown since the last one seen.
    bool NoteLength(DWORD_PTR lengthMs, DWORD now);
    // The length could not be read at now. That counts as growth: a device that cannot tell its
    // length cannot show that its input died either.
    void NoteUnknown(DWORD now);

    // True when the length has stood still longer than a live input ever pauses.
    bool SilentTooLong(DWORD now) const;
    // True when the length is further behind the time the take has run at now than its usual lag
    // allows, or when no lag is known yet: the input may have stopped.
    bool FarBehind(DWORD now) const;
    DWORD_PTR LengthMs() const { return lengthMs_; }

private:
    DWORD takeStart_ = 0;
    DWORD_PTR lengthMs_ = 0;
    DWORD lastGrowth_ = 0;
    // The smallest lag of the length behind the time the take has run, once the length has grown.
    int64_t smallestLag_ = 0;
    bool lagKnown_ = false;
};
