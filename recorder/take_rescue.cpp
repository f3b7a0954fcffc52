#include "recorder/take_rescue.h"

#include <cstdint>

#include "recorder/save_target.h"
#include "recorder/take_file.h"

namespace {

// What a save of the device's recording left at the target.
enum class Miss { kNotSaved, kRefused, kCameOutShort };

// The device saves its recording as target; true only when it is read back whole.
bool SavesWhole(WaveDevice& device, char* target, uint32_t atLeast) {
    return device.Save(target) && IsCompleteTake(target, atLeast);
}

// The device saves the recording under a free name in the keep folder.
bool KeepBySaving(WaveDevice& device,
                  const char* target,
                  uint32_t atLeast,
                  char (&keptPath)[kPathBufferSize]) {
    return MakeRescuePath(target, keptPath, sizeof(keptPath)) && SavesWhole(device, keptPath, atLeast);
}

bool KeepFromRecordingFile(const WaveDevice& device,
                           const char* target,
                           uint32_t atLeast,
                           char (&keptPath)[kPathBufferSize]) {
    return device.RecordingFile()[0] != '\0' && MakeRescuePath(target, keptPath, sizeof(keptPath)) &&
           WriteTakeFromRecording(device.RecordingFile(), keptPath, device.Pcm(), atLeast);
}

// Which way leads to the keep folder depends on what the target got:
// - nothing (it could not take the file): the device saves there, as it would have saved to the
//   target, and only if that fails is the file rebuilt from the device's recording file;
// - a save that failed: the recording file, where the device names it and it is still there,
//   else a second save (under Wine a failed save to a missing folder leaves the recording file and
//   refuses any later save; one to an overlong name takes the file away and saves again);
// - a save that came out short: a device that names its recording file (Wine's) saves by renaming
//   it, and a second save would move the short file it saved, so the file is rebuilt from the
//   recording file; a device that names none (a documented one) saves a second time, anew.
bool Keep(WaveDevice& device,
          const char* target,
          Miss miss,
          uint32_t atLeast,
          char (&keptPath)[kPathBufferSize]) {
    if (miss == Miss::kNotSaved) {
        return KeepBySaving(device, target, atLeast, keptPath) ||
               KeepFromRecordingFile(device, target, atLeast, keptPath);
    }
    if (miss == Miss::kRefused) {
        return KeepFromRecordingFile(device, target, atLeast, keptPath) ||
               KeepBySaving(device, target, atLeast, keptPath);
    }
    return device.RecordingFile()[0] != '\0' ? KeepFromRecordingFile(device, target, atLeast, keptPath)
                                             : KeepBySaving(device, target, atLeast, keptPath);
}

}  // namespace

Outcome SaveRecording(WaveDevice& device,
                      char* target,
                      bool targetReady,
                      DWORD_PTR lengthMs,
                      char (&keptPath)[kPathBufferSize]) {
    const PCMWAVEFORMAT format = device.Pcm();
    // A millisecond to spare: the length comes in whole milliseconds.
    const uint64_t bytes = SampleBytesOf(uint64_t{lengthMs} + 1, format) + kWaveHeaderSize;
    const uint32_t atLeast = LeastWholeDataBytes(lengthMs, format);
    Miss miss = Miss::kNotSaved;
    if (targetReady && HasRoomFor(target, bytes, device.RecordingFile())) {
        if (!device.Save(target)) {
            miss = Miss::kRefused;
        } else if (IsCompleteTake(target, atLeast)) {
            return Outcome::kAtTarget;
        } else {
            miss = Miss::kCameOutShort;
        }
    }
    if (!Keep(device, target, miss, atLeast, keptPath)) {
        return Outcome::kLost;
    }
    if (miss == Miss::kCameOutShort) {
        DeleteFileA(target);
    }
    return Outcome::kKept;
}

Outcome WriteFromRecordingFile(const WaveDevice& device,
                               char (&target)[kPathBufferSize],
                               char (&keptPath)[kPathBufferSize]) {
    if (device.RecordingFile()[0] != '\0' && MakeFreeTarget(target) &&
        WriteTakeFromRecording(device.RecordingFile(), target, device.Pcm(), 0)) {
        return Outcome::kAtTarget;
    }
    return KeepFromRecordingFile(device, target, 0, keptPath) ? Outcome::kKept : Outcome::kLost;
}

LeftDevice ReclaimIfAlive(WaveDevice& device,
                          DWORD_PTR lengthMs,
                          const char* takePath,
                          char (&savedPath)[kPathBufferSize]) {
    if (!device.IsLeft()) {
        return LeftDevice::kGone;
    }
    DWORD_PTR nowMs = 0;
    if (!device.AskLength(nowMs) || nowMs <= lengthMs) {
        return LeftDevice::kStillDead;
    }
    device.Reclaim();
    device.Stop();
    lstrcpynA(savedPath, takePath, static_cast<int>(sizeof(savedPath)));
    const bool saved =
        (MakeFreeTarget(savedPath) && SavesWhole(device, savedPath, 0)) ||
        (MakeRescuePath(takePath, savedPath, sizeof(savedPath)) && SavesWhole(device, savedPath, 0));
    device.Close();
    return saved ? LeftDevice::kSaved : LeftDevice::kLost;
}
