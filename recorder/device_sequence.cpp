// The commands that take one file of a take through the device: open, set format, record; stop,
// save, close. Each step asks the stage where the file stands and moves it on.

#include <cstdint>

#include "recorder/recorder_texts.h"
#include "recorder/save_target.h"
#include "recorder/take_file.h"
#include "recorder/wave_recorder.h"

namespace {

// An empty element name asks the device for a new, unnamed recording.
char g_newElement[] = "";

// A stop of a device whose input has died waits for a buffer that never comes. A length further
// behind the take's time than a live input lets it fall is watched for at most kStopCheckMs
// before the stop is sent; a live one grows within a third of a second. An input that dies less
// than half a second before the click is not told apart, and its stop hangs.
constexpr DWORD kStopCheckMs = 3000;
constexpr DWORD kStopCheckPollMs = 20;

constexpr DWORD kFormatFlags = MCI_WAVE_SET_FORMATTAG | MCI_WAVE_SET_CHANNELS | MCI_WAVE_SET_SAMPLESPERSEC |
                               MCI_WAVE_SET_AVGBYTESPERSEC | MCI_WAVE_SET_BLOCKALIGN |
                               MCI_WAVE_SET_BITSPERSAMPLE;

}  // namespace

void WaveRecorder::FillWaveParams() {
    openParams.lpstrElementName = g_newElement;
    openParams.lpstrDeviceType = reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(MCI_DEVTYPE_WAVEFORM_AUDIO));
    waveParams.wFormatTag = WAVE_FORMAT_PCM;
    waveParams.nChannels = format.channels;
    waveParams.wBitsPerSample = format.bitsPerSample;
    waveParams.nSamplesPerSec = format.sampleRate;
    // Bytes per sample frame, the fraction dropped: 1 channel of 12 bits gives 1.
    const uint32_t bitsPerFrame = uint32_t{format.channels} * format.bitsPerSample;
    const float bytesPerFrame = static_cast<float>(bitsPerFrame) / 8.0f;
    waveParams.nBlockAlign = static_cast<WORD>(static_cast<uint32_t>(bytesPerFrame));
    waveParams.nAvgBytesPerSec = waveParams.nSamplesPerSec * waveParams.nBlockAlign;
}

// Sends one command and keeps its result in lastError. A device left with its dead input is sent
// nothing: the command counts as failed.
void WaveRecorder::Command(MCIDEVICEID device, UINT command, DWORD flags, void* params) {
    if (left_.id != 0 && device == left_.id && command != MCI_OPEN) {
        lastError = MCIERR_INVALID_DEVICE_ID;
        return;
    }
    lastError = sendCommand(device, command, flags, reinterpret_cast<DWORD_PTR>(params));
    // An identifier handed out again names a new device.
    if (command == MCI_OPEN && lastError == 0 && openParams.wDeviceID == left_.id) {
        left_.id = 0;
    }
}

// Holds the last command's failure for the user; true when it failed.
bool WaveRecorder::Failed(const char* failure) {
    if (lastError == 0) {
        return false;
    }
    reports_.Add(failure);
    return true;
}

// Asks a device about its take; answers change nothing on the device and go to no box.
bool WaveRecorder::QueryStatus(MCIDEVICEID device, DWORD item, DWORD_PTR& value) {
    MCI_STATUS_PARMS status = {};
    status.dwItem = item;
    if (sendCommand(device, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&status)) !=
        0) {
        return false;
    }
    value = status.dwReturn;
    return true;
}

// Opens the device, sets the take's format and starts recording its next file. At the start of a
// take each failure is told as it happens and the commands go on all the same. At the hand-over
// of a long take the failures wait until the file before has been told about, and a file that
// does not record ends the take. False when the take does not go on: it was finished from
// inside a box, or the next file does not record.
bool WaveRecorder::StartFile(bool tellAtOnce) {
    Command(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID | MCI_OPEN_ELEMENT, &openParams);
    if (lastError == 0) {
        MoveTo(TakeStage::kOpen);
    } else if (stage_ == TakeStage::kIdle) {
        MoveTo(TakeStage::kNoDevice);
    }
    if (Failed(kOpenFailed) && !tellAtOnce) {
        return false;
    }
    if (tellAtOnce && !TellReports()) {
        return false;
    }
    Command(openParams.wDeviceID, MCI_SET, kFormatFlags, &waveParams);
    Failed(kSetFailed);
    if (tellAtOnce && !TellReports()) {
        return false;
    }

    // The driver's capture thread is looked for before any box can come up, so that a take
    // finished from inside that box can wait for it as well. The record command takes no
    // options, but the device rejects a missing parameter block.
    if (quirks.captureOutlivesStop) {
        captureThreads_.NoteExistingThreads();
    }
    MCI_RECORD_PARMS recordParams = {};
    Command(openParams.wDeviceID, MCI_RECORD, 0, &recordParams);
    if (quirks.captureOutlivesStop) {
        captureThreads_.FindDriverThreads();
    }
    fileStartTick_ = readTick();
    inputWatch_.Begin(fileStartTick_, fileStartTick_);
    NoteRecordingFile();
    const bool records = !Failed(kRecordFailed) && ConfirmRecording();
    if (tellAtOnce || records) {
        if (stage_ == TakeStage::kOpen) {
            MoveTo(TakeStage::kRecording);
        }
        return !tellAtOnce || TellReports();
    }
    CloseDevice();
    return false;
}

// A driver may start the capture on a thread of its own and answer the record command before it
// has found an input: with no input device at all the command then reports success and the take
// is silently empty. The device's mode, asked right away, tells the two apart. A device that
// cannot tell its mode is taken at its word. lastError keeps what the record command returned.
bool WaveRecorder::ConfirmRecording() {
    DWORD_PTR mode = 0;
    if (QueryStatus(openParams.wDeviceID, MCI_STATUS_MODE, mode) && mode != MCI_MODE_RECORD) {
        reports_.Add(kRecordFailed);
        return false;
    }
    return true;
}

// A device may name the file it records into (a documented one does not until the take is saved
// or opened by name); without a name, a take it cannot save cannot be rebuilt from there.
void WaveRecorder::NoteRecordingFile() {
    MCI_INFO_PARMSA info = {};
    info.lpstrReturn = recordingFile_;
    info.dwRetSize = sizeof(recordingFile_);
    if (sendCommand(openParams.wDeviceID, MCI_INFO, MCI_INFO_FILE | MCI_WAIT,
                    reinterpret_cast<DWORD_PTR>(&info)) != 0) {
        recordingFile_[0] = '\0';
    }
    recordingFile_[sizeof(recordingFile_) - 1] = '\0';
}

// True when the recorded length has grown since it was last seen, or cannot be told.
bool WaveRecorder::InputGrew() {
    DWORD_PTR position = 0;
    if (!QueryStatus(openParams.wDeviceID, MCI_STATUS_POSITION, position)) {
        inputWatch_.NoteUnknown(readTick());
        return true;
    }
    return inputWatch_.NoteLength(position, readTick());
}

// True when the length has stood still too long while the device says it records.
bool WaveRecorder::InputDied() {
    if (InputGrew() || !inputWatch_.SilentTooLong()) {
        return false;
    }
    DWORD_PTR mode = 0;
    return QueryStatus(openParams.wDeviceID, MCI_STATUS_MODE, mode) && mode == MCI_MODE_RECORD;
}

// For a device that cannot be stopped without its input: false when the input is found dead
// before a stop. The wait is bounded by the recorder's clock and, whatever that clock does, by the
// number of looks.
bool WaveRecorder::InputStillComing() {
    DWORD_PTR mode = 0;
    if (!QueryStatus(openParams.wDeviceID, MCI_STATUS_MODE, mode) || mode != MCI_MODE_RECORD) {
        return true;
    }
    InputGrew();  // the length as it stands at the click
    if (!inputWatch_.FarBehind(readTick())) {
        return true;
    }
    const DWORD start = readTick();
    for (DWORD looks = 0; looks < kStopCheckMs / kStopCheckPollMs && readTick() - start < kStopCheckMs;
         ++looks) {
        Sleep(kStopCheckPollMs);
        if (InputGrew()) {
            return true;
        }
    }
    return false;
}

// Stops, saves and closes the current file, each from where it stands: a file whose open failed
// goes through the same commands, and a device opened but never recording is only closed.
void WaveRecorder::EndFile() {
    if (stage_ == TakeStage::kRecording || stage_ == TakeStage::kNoDevice) {
        // The name is chosen while the device still records.
        const bool targetReady = ChooseTarget();
        StopDevice();
        SaveFile(targetReady);
    }
    if (stage_ == TakeStage::kInputDied) {
        SaveFromRecordingFile();
        MoveTo(TakeStage::kClosed);
    }
    if (stage_ == TakeStage::kOpen || stage_ == TakeStage::kSaved || stage_ == TakeStage::kLost) {
        CloseDevice();
    }
}

// Ends the current file as a click on stop does. Where a stop would never return without the
// input, the input is looked at first, and a dead one's file is written from the recording file.
void WaveRecorder::EndFileAtStop() {
    if (stage_ == TakeStage::kRecording && quirks.hangsWithoutInput && !InputStillComing()) {
        EndFileOfLostInput();
    } else {
        EndFile();
    }
}

// The input died under a device that would never return from a stop, a save or a close: it is
// left as it is, sent nothing more, and the file is written from the device's recording file.
void WaveRecorder::EndFileOfLostInput() {
    reports_.Add(kInputLost);
    LeaveDevice();
    MoveTo(TakeStage::kInputDied);
    SaveFromRecordingFile();
    MoveTo(TakeStage::kClosed);
}

// Picks the free name. A target that cannot take a new file is known before the device is asked
// to save, because a device does not save a take twice everywhere.
bool WaveRecorder::ChooseTarget() {
    saveParams.lpfilename = path;
    return FindFreePath(path) && CanCreateFile(path);
}

void WaveRecorder::StopDevice() {
    SendStop(openParams.wDeviceID);
    Failed(kStopFailed);
    MoveTo(TakeStage::kStopped);
}

// Stops a device; lastError keeps the answer. Saving or closing while the driver's thread still
// writes the end of the take can crash, so that thread is waited for where it outlives the stop.
void WaveRecorder::SendStop(MCIDEVICEID device) {
    MCI_GENERIC_PARMS stopParams = {};
    Command(device, MCI_STOP, MCI_WAIT, &stopParams);
    if (quirks.captureOutlivesStop) {
        captureThreads_.WaitForDriverThreads();
    }
}

// Saves the stopped file under its free name. A target that cannot take it, a save that fails
// and a save that is not read back whole (the device reports a copy cut short by a full volume
// as a success) all keep the file elsewhere.
void WaveRecorder::SaveFile(bool targetReady) {
    InputGrew();  // the length as it stands after the stop
    const uint64_t bytes = RecordedBytes() + waveParams.nAvgBytesPerSec / 1000 + kWaveHeaderSize;
    if (!targetReady || !HasRoomFor(path, bytes, recordingFile_)) {
        reports_.Add(kSaveFailed);
        KeepFile(Miss::kNotSaved);
        return;
    }
    Command(openParams.wDeviceID, MCI_SAVE, MCI_SAVE_FILE | MCI_WAIT, &saveParams);
    if (Failed(kSaveFailed)) {
        KeepFile(Miss::kRefused);
    } else if (!IsCompleteTake(path, LeastWholeDataBytes())) {
        reports_.Add(kSaveFailed);
        KeepFile(Miss::kCameOutShort);
    } else {
        MoveTo(TakeStage::kSaved);
    }
}

void WaveRecorder::CloseDevice() {
    MCI_GENERIC_PARMS closeParams = {};
    Command(openParams.wDeviceID, MCI_CLOSE, 0, &closeParams);
    Failed(kCloseFailed);
    MoveTo(TakeStage::kClosed);
}

// The bytes of samples in the length read last.
uint64_t WaveRecorder::RecordedBytes() const {
    return uint64_t{inputWatch_.LengthMs()} * waveParams.nAvgBytesPerSec / 1000;
}

// What a whole save must hold at least of the length read last: it comes in whole milliseconds,
// so a millisecond and a sample frame less. A file of a take never reaches 4 GiB (it is handed
// over below 2 GiB), so the count fits 32 bits.
uint32_t WaveRecorder::LeastWholeDataBytes() const {
    const uint64_t recorded = RecordedBytes();
    const uint64_t slack = waveParams.nAvgBytesPerSec / 1000 + waveParams.nBlockAlign;
    const uint64_t least = recorded > slack ? recorded - slack : 0;
    return least < UINT32_MAX ? static_cast<uint32_t>(least) : UINT32_MAX;
}
