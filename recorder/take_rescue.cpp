// A file of a take that its target did not get whole is kept elsewhere, and the user told where.
// Nothing of the user's is deleted unless a complete copy of the take has been read back.

#include "recorder/recorder_texts.h"
#include "recorder/save_target.h"
#include "recorder/take_file.h"
#include "recorder/wave_recorder.h"

namespace {

PCMWAVEFORMAT PcmOf(const MCI_WAVE_SET_PARMS& wave) {
    PCMWAVEFORMAT pcm = {};
    pcm.wf.wFormatTag = wave.wFormatTag;
    pcm.wf.nChannels = wave.nChannels;
    pcm.wf.nSamplesPerSec = wave.nSamplesPerSec;
    pcm.wf.nAvgBytesPerSec = wave.nAvgBytesPerSec;
    pcm.wf.nBlockAlign = wave.nBlockAlign;
    pcm.wBitsPerSample = wave.wBitsPerSample;
    return pcm;
}

}  // namespace

// Two ways lead to the keep folder, and which is taken depends on what the target got:
// - nothing (it could not take the file): the device saves there, as it would have saved to the
//   target, and only if that fails is the file rebuilt from the device's recording file;
// - a save that failed: the recording file, where the device names it and it is still there,
//   else a second save (under Wine a failed save to a missing folder leaves the recording file and
//   refuses any later save; one to an overlong name takes the file away and saves again);
// - a save that came out short: a device that names its recording file (Wine's) saves by renaming
//   it, and a second save would move the short file it saved, so the file is rebuilt from the
//   recording file; a device that names none (a documented one) saves a second time, anew.
// A short file under the user's name is removed only once a whole copy is kept.
void WaveRecorder::KeepFile(Miss miss) {
    const uint32_t atLeast = LeastWholeDataBytes();
    char keptPath[kPathBufferSize] = {};
    bool kept = false;
    if (miss == Miss::kNotSaved) {
        kept = KeepBySaving(keptPath, atLeast) || KeepFromRecordingFile(keptPath, atLeast);
    } else if (miss == Miss::kRefused) {
        kept = KeepFromRecordingFile(keptPath, atLeast) || KeepBySaving(keptPath, atLeast);
    } else {
        kept = recordingFile_[0] != '\0' ? KeepFromRecordingFile(keptPath, atLeast)
                                         : KeepBySaving(keptPath, atLeast);
    }
    if (!kept) {
        reports_.Add(kTakeLost);
        MoveTo(TakeStage::kLost);
        return;
    }
    if (miss == Miss::kCameOutShort) {
        DeleteFileA(path);
    }
    reports_.AddKeptAt(keptPath);
    MoveTo(TakeStage::kSaved);
}

// The device saves its recording as target; true only when it is read back whole.
bool WaveRecorder::SavesWhole(MCIDEVICEID device, char* target, uint32_t atLeast) {
    MCI_SAVE_PARMSA params = {};
    params.lpfilename = target;
    Command(device, MCI_SAVE, MCI_SAVE_FILE | MCI_WAIT, &params);
    return lastError == 0 && IsCompleteTake(target, atLeast);
}

// The device saves the file under a free name in the keep folder.
bool WaveRecorder::KeepBySaving(char (&keptPath)[kPathBufferSize], uint32_t atLeast) {
    return MakeRescuePath(path, keptPath, sizeof(keptPath)) &&
           SavesWhole(openParams.wDeviceID, keptPath, atLeast);
}

bool WaveRecorder::KeepFromRecordingFile(char (&keptPath)[kPathBufferSize], uint32_t atLeast) {
    return recordingFile_[0] != '\0' && MakeRescuePath(path, keptPath, sizeof(keptPath)) &&
           WriteTakeFromRecording(recordingFile_, keptPath, PcmOf(waveParams), atLeast);
}

// The input died and the device cannot save: the file is written from the device's recording
// file to its target, or kept, with the sound up to the fault.
void WaveRecorder::SaveFromRecordingFile() {
    if (recordingFile_[0] != '\0' && ChooseTarget() &&
        WriteTakeFromRecording(recordingFile_, path, PcmOf(waveParams), 0)) {
        MoveTo(TakeStage::kSaved);
        return;
    }
    char keptPath[kPathBufferSize] = {};
    if (KeepFromRecordingFile(keptPath, 0)) {
        reports_.AddKeptAt(keptPath);
        MoveTo(TakeStage::kSaved);
        return;
    }
    reports_.Add(kTakeLost);
    MoveTo(TakeStage::kLost);
}

void WaveRecorder::LeaveDevice() {
    left_.id = openParams.wDeviceID;
    left_.lengthMs = inputWatch_.LengthMs();
    lstrcpynA(left_.path, takePath_, static_cast<int>(sizeof(left_.path)));
}

// A device left with a dead input whose length has grown again was alive after all (its sound
// came back late), and it would go on recording, unseen, until the program ends. At the next start
// and at the end it is stopped, its whole recording saved under a free name of its take's path
// (or kept), and closed; the user is told where.
void WaveRecorder::ReclaimLeftDevice() {
    DWORD_PTR lengthMs = 0;
    if (left_.id == 0 || !QueryStatus(left_.id, MCI_STATUS_POSITION, lengthMs) ||
        lengthMs <= left_.lengthMs) {
        return;
    }
    // Alive, it may be sent commands again.
    const MCIDEVICEID device = left_.id;
    left_.id = 0;
    SendStop(device);
    char target[kPathBufferSize];
    lstrcpynA(target, left_.path, static_cast<int>(sizeof(target)));
    const bool saved = (FindFreePath(target) && CanCreateFile(target) && SavesWhole(device, target, 0)) ||
                       (MakeRescuePath(left_.path, target, sizeof(target)) && SavesWhole(device, target, 0));
    MCI_GENERIC_PARMS closeParams = {};
    Command(device, MCI_CLOSE, 0, &closeParams);
    if (saved) {
        reports_.AddKeptAt(target);
    } else {
        reports_.Add(kTakeLost);
    }
}
