#pragma once

#include <cstddef>
#include <cstdint>

// How far one take has come with its current file. A take moves through these in one direction
// only, so that whatever ends it (the stop, the tick's watch, the end of the session from inside a
// box) finishes it from where it stands, exactly once: no second stop or save, no command to a
// device that is done with.
enum class TakeStage : uint8_t {
    kIdle,       // no take
    kNoDevice,   // the open failed: the take goes through its commands without a device
    kRecording,  // the record command has been sent
    kInputDied,  // the input died: the device is left as it is, its recording file holds the take
    kStopped,    // the stop command has been sent
    kSaved,      // the file is on disk, in its target or kept elsewhere
    kLost,       // nothing could keep the file
    kClosed,     // done with the file's device (closed, or left with its dead input)
};

inline constexpr size_t kTakeStageCount = static_cast<size_t>(TakeStage::kClosed) + 1;

// The steps a take may take, from each stage (a row) to each (a column). A long take goes on from
// kClosed in its next file, whose device already records; kIdle follows kClosed once the boxes
// have told what happened, or a take that never had a device.
//
//               to: Idle NoDev  Rec  Died  Stop Saved Lost Closed
inline constexpr bool kTakeSteps[kTakeStageCount][kTakeStageCount] = {
    /* Idle      */ {0, 1, 1, 0, 0, 0, 0, 0},
    /* NoDevice  */ {1, 0, 0, 0, 1, 0, 0, 0},
    /* Recording */ {0, 0, 0, 1, 1, 0, 0, 0},
    /* InputDied */ {0, 0, 0, 0, 0, 1, 1, 0},
    /* Stopped   */ {0, 0, 0, 0, 0, 1, 1, 0},
    /* Saved     */ {0, 0, 0, 0, 0, 0, 0, 1},
    /* Lost      */ {0, 0, 0, 0, 0, 0, 0, 1},
    /* Closed    */ {1, 0, 1, 0, 0, 0, 0, 0},
};

constexpr bool CanStep(TakeStage from, TakeStage to) {
    return kTakeSteps[static_cast<size_t>(from)][static_cast<size_t>(to)];
}

// A file's sound is on disk (or known lost) before its device is let go, and a file that has
// stopped never records again: the take goes on only from kClosed, in a new device.
static_assert(!CanStep(TakeStage::kRecording, TakeStage::kClosed) &&
              !CanStep(TakeStage::kStopped, TakeStage::kClosed));
static_assert(!CanStep(TakeStage::kStopped, TakeStage::kRecording) &&
              !CanStep(TakeStage::kSaved, TakeStage::kRecording));
static_assert(!CanStep(TakeStage::kRecording, TakeStage::kIdle) &&
              !CanStep(TakeStage::kSaved, TakeStage::kIdle));
// No stage is a step to itself.
static_assert(!CanStep(TakeStage::kIdle, TakeStage::kIdle) &&
              !CanStep(TakeStage::kClosed, TakeStage::kClosed));
