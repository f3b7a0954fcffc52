#pragma once

#include <windows.h>

#include "recorder/file_naming.h"
#include "recorder/keep_folder.h"
#include "recorder/wave_device.h"

// Saving the sound of a file of a take, and keeping it elsewhere when its target does not get it
// whole. Nothing of the user's is deleted unless a complete copy of the take has been read back.

// Where a file's sound went.
enum class Outcome {
    kAtTarget,  // saved under its (free) name
    kKept,      // kept in the keep folder, at the kept path
    kLost,      // nothing could keep it whole
};

// Saves a stopped recording as target, its free name, chosen while the device recorded
// (targetReady: a new file can be made there). A target without room, a refused save and a save
// not read back whole with the recorded lengthMs keep it in the take's keep folder instead; a short file
// at target is removed once the take is kept.
Outcome SaveRecording(WaveDevice& device,
                      char* target,
                      bool targetReady,
                      DWORD_PTR lengthMs,
                      TakeKeepFolder& keepFolder,
                      char (&keptPath)[kPathBufferSize]);

// For a device that cannot save (its input died and it is left as it is): writes the sound its
// recording file holds to the free name of target, rewriting target, or else keeps it.
Outcome WriteFromRecordingFile(const WaveDevice& device,
                               char (&target)[kPathBufferSize],
                               TakeKeepFolder& keepFolder,
                               char (&keptPath)[kPathBufferSize]);

// What became of a device left with its dead input, asked again.
enum class LeftDevice {
    kStillDead,  // its length has not grown past the one it was left with
    kSaved,      // it came back, and its whole recording is saved at the saved path
    kLost,       // it came back, and nothing could keep its recording whole
};

// Asks a device left with its dead input whether it came back (its length grew past lengthMs).
// One that did may be sent commands again: it is stopped, its whole recording saved under the
// free name of its take's path or else in the keep folder, and it is closed.
LeftDevice ReclaimIfAlive(WaveDevice& device,
                          DWORD_PTR lengthMs,
                          TakeKeepFolder& keepFolder,
                          char (&savedPath)[kPathBufferSize]);
