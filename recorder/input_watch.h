#pragma once

#include <windows.h>

#include <cstdint>

// What a recording device told at one look: its recorded length, whether it says it records, and
// whether it can be stopped although its input has died.
struct InputReading {
    enum class Says : uint8_t { kRecords, kDoesNotRecord, kCannotTell };
    bool lengthTold;
    DWORD_PTR lengthMs;
    Says says;
    bool stopsWithoutInput;
};

// What the recorded length of a running take has done: whether it has grown at all, how long it
// has stood still since, and how far it lags behind the time the take has run. The recorder reads
// the length from the device and hands it in with the time of reading; from that the watch tells
// a live input from one that has died.
//
// Until it has seen the length grow, the watch judges only a file that has recorded nothing for a
// while: a device whose length reads 0 until the stop (nothing promises that it grows while
// recording) is not taken for a dead one where it can be stopped without its input. And a gap
// between two readings far longer than the tick's (the machine slept, or the window's thread was
// held up) is not counted as silence: the input had no chance to show it lived.
class InputWatch {
public:
    // A file of a take recording since fileStart; nothing recorded yet at now.
    void Begin(DWORD fileStart, DWORD now);
    // Notes the length read at now; true when it has grown since the last one seen, or cannot
    // be told once it has grown: a device that cannot tell its length cannot show that its input
    // died either.
    bool Look(const InputReading& reading, DWORD now);
    // Looks, and judges: true when the length, having grown once, has stood still longer than a
    // live input ever pauses while the device says it records, or for a second while it says it
    // does not; or when the file has recorded nothing since its record command.
    bool SeesDeadInput(const InputReading& reading, DWORD now);
    // True when the length has not grown yet, or is now further behind the time the file has run
    // than its usual lag allows (or its lag has to be learnt again after a jump of the clock):
    // the input may have stopped, or never come.
    bool LagsBehind(DWORD now) const;
    // True once the length has grown: the file holds sound.
    bool HasGrown() const { return armed_; }
    // The length read last.
    DWORD_PTR LengthMs() const { return lengthMs_; }

private:
    bool NoteLength(DWORD_PTR lengthMs, DWORD now);
    bool SeesNothingRecorded(const InputReading& reading) const;
    void CountSilence(DWORD now);

    DWORD fileStart_ = 0;
    DWORD lastSeen_ = 0;
    DWORD_PTR lengthMs_ = 0;
    // Time watched since the length last grew (or since the record command), gaps of a jumping
    // clock left out.
    DWORD silentMs_ = 0;
    bool armed_ = false;
    // Whether the device has told the length at all since the record command.
    bool lengthTold_ = false;
    // The smallest lag of the length behind the time the file has run, once the length has grown:
    // in the window of the file's time that began at lagWindowStart_, and in the one before it.
    int64_t smallestLag_ = 0;
    bool lagKnown_ = false;
    DWORD lagWindowStart_ = 0;
    int64_t earlierLag_ = 0;
    bool earlierLagKnown_ = false;
};
