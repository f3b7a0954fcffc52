#include "recorder/take_rescue.h"

#include <cstdint>

#include "recorder/keep_folder.h"
#include "recorder/save_target.h"
#include "recorder/take_file.h"

namespace {

// What a save of the device's recording left at the target.
enum class Miss { kNotSaved, kRefused, kCameOutShort };

// The device saves its recording as target; true only when it is read back whole.
bool SavesWhole(WaveDevice& device, char* target, uint32_t atLeast) {
    return device.Save(target) && IsCompleteTake(target, atLeast);
}

// Where a file of a take is kept when its target does not get it: under its file name in the
// take's keep folder.
struct Keeping {
    const char* fileName;
    TakeKeepFolder& keepFolder;
    uint32_t atLeast;
    char (&keptPath)[kPathBufferSize];
};

// The device saves the recording under a free name in the keep folder.
bool KeepBySaving(WaveDevice& device, const Keeping& keep) {
    return keep.keepFolder.MakeKeptPath(keep.fileName, keep.keptPath) &&
           SavesWhole(device, keep.keptPath, keep.atLeast);
}

bool KeepFromRecordingFile(const WaveDevice& device, const Keeping& keep) {
    return keep.keepFolder.MakeKeptPath(keep.fileName, keep.keptPath) &&
           device.WriteRecordingTo(keep.keptPath, keep.atLeast);
}

// Which way leads to the keep folder depends on what the target got:
// - nothing (it could not take the file): the device saves there, as it would have saved to the
//   target, and only if that fails is the file rebuilt from the device's recording file;
// - a save that failed: the recording file, where the device names it and it is still there,
//   else a second save (under Wine a failed save to a missing folder leaves the recording file and
//   refuses any later save; one to an overlong name takes the file away and saves again);
// - a save that came out short: a second save where it writes anew, else (it would move the
//   short file it saved) the file is rebuilt from the recording file.
bool Keep(WaveDevice& device, Miss miss, const Keeping& keep) {
    if (miss == Miss::kNotSaved) {
        return KeepBySaving(device, keep) || KeepFromRecordingFile(device, keep);
    }
    if (miss == Miss::kRefused) {
        return KeepFromRecordingFile(device, keep) || KeepBySaving(device, keep);
    }
    return device.SavesAnewAfterAShortSave() ? KeepBySaving(device, keep)
                                             : KeepFromRecordingFile(device, keep);
}

}  // namespace

Outcome SaveRecording(WaveDevice& device,
                      char* target,
                      bool targetReady,
                      DWORD_PTR lengthMs,
                      TakeKeepFolder& keepFolder,
                      char (&keptPath)[kPathBufferSize]) {
    const PCMWAVEFORMAT format = device.Pcm();
    const bool needsRoom = device.SaveNeedsRoomAt(target);
    // A millisecond to spare: the length comes in whole milliseconds.
    const uint64_t bytes = SampleBytesOf(uint64_t{lengthMs} + 1, format) + kWaveHeaderSize;
    const uint32_t atLeast = LeastWholeDataBytes(lengthMs, format);
    TargetParts parts;
    SplitTarget(target, parts);
    const Keeping keep = {parts.name, keepFolder, atLeast, keptPath};
    Miss miss = Miss::kNotSaved;
    if (targetReady && (!needsRoom || HasRoomFor(parts, bytes))) {
        if (!device.Save(target)) {
            miss = Miss::kRefused;
        } else if (IsCompleteTake(target, atLeast)) {
            return Outcome::kAtTarget;
        } else {
            miss = Miss::kCameOutShort;
        }
    }
    if (!Keep(device, miss, keep)) {
        return Outcome::kLost;
    }
    if (miss == Miss::kCameOutShort) {
        DeleteFileA(target);
    }
    return Outcome::kKept;
}

Outcome WriteFromRecordingFile(const WaveDevice& device,
                               char (&target)[kPathBufferSize],
                               TakeKeepFolder& keepFolder,
                               char (&keptPath)[kPathBufferSize]) {
    if (MakeFreeTarget(target) && device.WriteRecordingTo(target, 0)) {
        return Outcome::kAtTarget;
    }
    TargetParts parts;
    SplitTarget(target, parts);
    return KeepFromRecordingFile(device, {parts.name, keepFolder, 0, keptPath}) ? Outcome::kKept
                                                                                : Outcome::kLost;
}

LeftDevice ReclaimIfAlive(WaveDevice& device,
                          DWORD_PTR lengthMs,
                          TakeKeepFolder& keepFolder,
                          char (&savedPath)[kPathBufferSize]) {
    const InputReading now = device.ReadInput();
    if (!now.lengthTold || now.lengthMs <= lengthMs) {
        return LeftDevice::kStillDead;
    }
    const char* takePath = device.LeftTakePath();
    device.Reclaim();
    device.Stop();
    lstrcpynA(savedPath, takePath, static_cast<int>(sizeof(savedPath)));
    TargetParts parts;
    SplitTarget(takePath, parts);
    const bool saved = (MakeFreeTarget(savedPath) && SavesWhole(device, savedPath, 0)) ||
                       KeepBySaving(device, {parts.name, keepFolder, 0, savedPath});
    device.Close();
    return saved ? LeftDevice::kSaved : LeftDevice::kLost;
}
