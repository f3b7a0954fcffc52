#include "recorder/wave_recorder.h"

#include <cstring>

#include "recorder/recorder_texts.h"
#include "recorder/save_target.h"

namespace {

// An empty element name asks the device for a new, unnamed recording.
char g_newElement[] = "";

// How long the end of a take waits for the driver's capture thread. It normally ends within a
// third of a second (one capture buffer); the bound only keeps a broken driver from hanging us.
constexpr DWORD kCaptureEndTimeoutMs = 10000;

}  // namespace

// Closing the window posts the quit message while a box may be open. The quit ends a box's modal
// loop, and every later box would return at once, unseen, a box that says where a take was kept
// among them. So a pending quit is held back while the box is up, a box that a quit ended is
// shown again, and the quit is posted once more when the user has closed the box.
void DefaultErrorHandler(const char* message) {
    MSG quit = {};
    bool quitPending = PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
    for (;;) {
        MessageBoxA(nullptr, message, kErrorCaption, MB_OK);
        MSG endedBy = {};
        if (PeekMessageA(&endedBy, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) == 0) {
            break;
        }
        quit = endedBy;
        quitPending = true;
    }
    if (quitPending) {
        PostQuitMessage(static_cast<int>(quit.wParam));
    }
}

WaveRecorder::WaveRecorder()
    : openParams(),
      saveParams(),
      waveParams(),
      format{.sampleRate = 44100, .channels = 2, .bitsPerSample = 16},
      lastError(0),
      recording(0),
      startTick(0),
      path(),
      onError(DefaultErrorHandler),
      sendCommand(mciSendCommandA),
      readTick(GetTickCount),
      sequence(Sequence::kNone),
      finishedFromOutside(false),
      silent(false),
      deviceOpen(false),
      recordSent(false),
      stopSent(false),
      takeSaved(false),
      targetChecked(false),
      targetWritable(false) {}

WaveRecorder::~WaveRecorder() {
    StopAndSave();
}

bool WaveRecorder::SetFormat(uint16_t sampleRate, uint16_t bitsPerSample, uint16_t channels) {
    if (recording != 0) {
        return false;
    }
    format.sampleRate = sampleRate;
    format.bitsPerSample = bitsPerSample;
    format.channels = channels;
    return true;
}

void WaveRecorder::StartRecording(const char* newPath) {
    if (sequence != Sequence::kNone) {
        return;
    }
    sequence = Sequence::kStart;
    finishedFromOutside = false;
    recordSent = stopSent = takeSaved = targetChecked = targetWritable = false;
    lstrcpynA(path, newPath, static_cast<int>(sizeof(path)));
    openParams.lpstrElementName = g_newElement;
    openParams.lpstrDeviceType = reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(MCI_DEVTYPE_WAVEFORM_AUDIO));
    FillWaveParams();

    const DWORD formatFlags = MCI_WAVE_SET_FORMATTAG | MCI_WAVE_SET_CHANNELS | MCI_WAVE_SET_SAMPLESPERSEC |
                              MCI_WAVE_SET_AVGBYTESPERSEC | MCI_WAVE_SET_BLOCKALIGN |
                              MCI_WAVE_SET_BITSPERSAMPLE;
    // The record command takes no options, but the device rejects a missing parameter block.
    MCI_RECORD_PARMS recordParams = {};
    bool goOn =
        Send(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID | MCI_OPEN_ELEMENT, &openParams, kOpenFailed) &&
        Send(openParams.wDeviceID, MCI_SET, formatFlags, &waveParams, kSetFailed);
    if (goOn) {
        // The driver's capture thread is looked for before any box can come up, so that a take
        // finished from inside that box can wait for it as well.
        captureThreads.NoteExistingThreads();
        Command(openParams.wDeviceID, MCI_RECORD, 0, &recordParams);
        captureThreads.FindDriverThreads();
        goOn = Check(kRecordFailed) && ConfirmRecording();
    }
    if (goOn) {
        // Taken after any error box has been closed, so the time a box stays up is not counted.
        startTick = readTick();
        recording = 1;
    }
    sequence = Sequence::kNone;
}

void WaveRecorder::StopAndSave() {
    if (recording == 0 || sequence != Sequence::kNone) {
        return;
    }
    sequence = Sequence::kStop;
    finishedFromOutside = false;
    CheckTarget();
    // Each step runs, failed or not, unless the take was finished from inside an earlier box.
    if (StopDevice() && SaveTake()) {
        CloseDevice();
    }
    recording = 0;
    sequence = Sequence::kNone;
}

void WaveRecorder::FinishTakeSilently() {
    if (recording == 0 && sequence == Sequence::kNone) {
        return;
    }
    if (sequence != Sequence::kNone) {
        finishedFromOutside = true;
    }
    silent = true;
    // A device that was opened but never asked to record holds no take; it is only closed.
    if (deviceOpen && recordSent) {
        CheckTarget();
        StopDevice();
        SaveTake();
    }
    if (deviceOpen) {
        CloseDevice();
    }
    silent = false;
    recording = 0;
}

int32_t WaveRecorder::IsRecording() const {
    return recording;
}

bool WaveRecorder::InSequence() const {
    return sequence != Sequence::kNone;
}

uint32_t WaveRecorder::ElapsedSeconds() const {
    if (recording != 1) {
        return 0;
    }
    // Unsigned difference, so a take across the wrap of the tick counter still counts right.
    const uint32_t elapsedMs = readTick() - startTick;
    // The quotient is kept in single precision, as the count has always been made; it is at most
    // about 4.3 million, so the conversion back to an integer is always in range.
    const float seconds = static_cast<float>(elapsedMs / 1000.0);
    return static_cast<uint32_t>(seconds);
}

void WaveRecorder::FillWaveParams() {
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

// Sends one command, keeps its result in lastError and notes how far the take has come.
void WaveRecorder::Command(MCIDEVICEID device, UINT command, DWORD flags, void* params) {
    lastError = sendCommand(device, command, flags, reinterpret_cast<DWORD_PTR>(params));
    switch (command) {
        case MCI_OPEN:
            deviceOpen = lastError == 0;
            break;
        case MCI_RECORD:
            recordSent = true;
            break;
        case MCI_STOP:
            stopSent = true;
            break;
        case MCI_CLOSE:
            deviceOpen = false;
            break;
        default:
            break;
    }
}

// Reports the last command's failure; false when the sequence must not go on.
bool WaveRecorder::Check(const char* failure) {
    return lastError == 0 || Report(failure);
}

bool WaveRecorder::Send(MCIDEVICEID device, UINT command, DWORD flags, void* params, const char* failure) {
    Command(device, command, flags, params);
    return Check(failure);
}

// Shows a message unless the take is being finished silently. False when, while the box was up,
// the take was finished from outside: the running sequence then has nothing left to do.
bool WaveRecorder::Report(const char* message) {
    if (!silent) {
        onError(message);
    }
    return !finishedFromOutside || silent;
}

// A driver may start the capture on a thread of its own and answer the record command before it
// has found an input: with no input device at all the command then reports success and the take
// is silently empty. The device's mode, asked right away, tells the two apart. A device that
// cannot tell its mode is taken at its word. lastError keeps what the record command returned.
bool WaveRecorder::ConfirmRecording() {
    if (lastError != 0) {
        return true;  // a failed record has been reported already
    }
    MCI_STATUS_PARMS status = {};
    status.dwItem = MCI_STATUS_MODE;
    const MCIERROR answer = sendCommand(openParams.wDeviceID, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT,
                                        reinterpret_cast<DWORD_PTR>(&status));
    if (answer == 0 && status.dwReturn != MCI_MODE_RECORD) {
        return Report(kRecordFailed);
    }
    return true;
}

// The name is chosen while the device still records; a target that cannot take a new file is
// known before the device is asked to save, because a failed save cannot be retried.
void WaveRecorder::CheckTarget() {
    if (targetChecked) {
        return;
    }
    targetChecked = true;
    targetWritable = FindFreePath(path) && CanCreateFile(path);
    saveParams.lpfilename = path;
}

bool WaveRecorder::StopDevice() {
    if (stopSent) {
        return true;
    }
    MCI_GENERIC_PARMS stopParams = {};
    Command(openParams.wDeviceID, MCI_STOP, MCI_WAIT, &stopParams);
    // Saving or closing while the driver's thread still writes the end of the take can crash.
    captureThreads.WaitForDriverThreads(kCaptureEndTimeoutMs);
    return Check(kStopFailed);
}

bool WaveRecorder::SaveTake() {
    if (takeSaved) {
        return true;
    }
    if (targetWritable) {
        Command(openParams.wDeviceID, MCI_SAVE, MCI_SAVE_FILE | MCI_WAIT, &saveParams);
        if (lastError == 0) {
            takeSaved = true;
            return true;
        }
        // The device does not save a take twice: what is left is the rescue.
        targetWritable = false;
    }
    if (!Report(kSaveFailed)) {
        return false;
    }
    return RescueTake();
}

// Saves the take in the temporary folder under a free name and tells the user where it is.
bool WaveRecorder::RescueTake() {
    takeSaved = true;
    char rescuePath[kPathBufferSize] = {};
    if (!MakeRescuePath(path, rescuePath, sizeof(rescuePath))) {
        return Report(kTakeLost);
    }
    MCI_SAVE_PARMSA rescueParams = {};
    rescueParams.lpfilename = rescuePath;
    Command(openParams.wDeviceID, MCI_SAVE, MCI_SAVE_FILE | MCI_WAIT, &rescueParams);
    if (lastError != 0) {
        return Report(kTakeLost);
    }
    char message[sizeof(kTakeKeptAtFormat) + kPathBufferSize];
    wsprintfA(message, kTakeKeptAtFormat, rescuePath);
    return Report(message);
}

bool WaveRecorder::CloseDevice() {
    MCI_GENERIC_PARMS closeParams = {};
    return Send(openParams.wDeviceID, MCI_CLOSE, 0, &closeParams, kCloseFailed);
}
