#include "recorder/wave_recorder.h"

#include <cstring>

#include "recorder/device_command.h"
#include "recorder/recorder_texts.h"
#include "recorder/save_target.h"
#include "recorder/take_file.h"

namespace {

// An empty element name asks the device for a new, unnamed recording.
char g_newElement[] = "";

// How long the end of a take waits for the driver's capture thread. It normally ends within a
// third of a second (one capture buffer); the bound only keeps a broken driver from hanging us.
constexpr DWORD kCaptureEndTimeoutMs = 10000;

// A stop waits for the next buffer, and without an input would wait for ever. A length further
// behind the take's time than a live input lets it fall (half a second beyond its usual lag) is
// watched for at most kStopCheckMs before the stop is sent; a live one grows within a third of a
// second. An input that dies less than half a second before the click is not told apart, and its
// stop hangs.
constexpr DWORD kStopCheckMs = 3000;
constexpr DWORD kStopCheckPollMs = 20;

// RIFF, fmt and data headers of a PCM WAV.
constexpr uint64_t kWaveHeaderSize = 44;

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
      sendCommand(SendDeviceCommand),
      readTick(GetTickCount),
      sequence(Sequence::kNone),
      finishedFromOutside(false),
      silent(false),
      deviceOpen(false),
      recordSent(false),
      stopSent(false),
      takeSaved(false),
      closeSent(false),
      fromRecordingFile(false),
      targetChecked(false),
      targetWritable(false),
      recordingFile(),
      abandonedDevice(0) {}

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
    recordSent = stopSent = takeSaved = closeSent = targetChecked = targetWritable = fromRecordingFile =
        false;
    recordingFile[0] = '\0';
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
        NoteRecordingFile();
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
    if (deviceOpen && !InputStillComing()) {
        EndTakeOfLostInput();
    } else if (StopDevice() && SaveTake()) {
        // Each step runs, failed or not, unless the take was finished from inside an earlier box.
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
    CheckTarget();
    if (fromRecordingFile) {
        SaveFromRecordingFile();
    } else if (deviceOpen && recordSent && !stopSent && !InputStillComing()) {
        EndTakeOfLostInput();
    } else {
        // A device that was opened but never asked to record holds no take; it is only closed.
        if (deviceOpen && recordSent) {
            StopDevice();
            SaveTake();
        }
        if (deviceOpen) {
            CloseDevice();
        }
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

// Sends one command, keeps its result in lastError and notes how far the take has come. A device
// abandoned with its dead input is sent nothing: the command counts as failed.
void WaveRecorder::Command(MCIDEVICEID device, UINT command, DWORD flags, void* params) {
    if (abandonedDevice != 0 && device == abandonedDevice && command != MCI_OPEN) {
        lastError = MCIERR_INVALID_DEVICE_ID;
        return;
    }
    lastError = sendCommand(device, command, flags, reinterpret_cast<DWORD_PTR>(params));
    switch (command) {
        case MCI_OPEN:
            deviceOpen = lastError == 0;
            // An identifier handed out again names a new device.
            if (deviceOpen && openParams.wDeviceID == abandonedDevice) {
                abandonedDevice = 0;
            }
            break;
        case MCI_RECORD:
            recordSent = true;
            break;
        case MCI_STOP:
            stopSent = true;
            break;
        case MCI_CLOSE:
            deviceOpen = false;
            closeSent = true;
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
    DWORD_PTR mode = 0;
    if (QueryStatus(MCI_STATUS_MODE, mode) && mode != MCI_MODE_RECORD) {
        return Report(kRecordFailed);
    }
    return true;
}

// Asks the device about the take; answers change nothing on the device and go to no box.
bool WaveRecorder::QueryStatus(DWORD item, DWORD_PTR& value) {
    MCI_STATUS_PARMS status = {};
    status.dwItem = item;
    if (sendCommand(openParams.wDeviceID, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT,
                    reinterpret_cast<DWORD_PTR>(&status)) != 0) {
        return false;
    }
    value = status.dwReturn;
    return true;
}

// The device names the file it records into; without a name, a take it cannot save is lost.
void WaveRecorder::NoteRecordingFile() {
    MCI_INFO_PARMSA info = {};
    info.lpstrReturn = recordingFile;
    info.dwRetSize = sizeof(recordingFile);
    if (sendCommand(openParams.wDeviceID, MCI_INFO, MCI_INFO_FILE | MCI_WAIT,
                    reinterpret_cast<DWORD_PTR>(&info)) != 0) {
        recordingFile[0] = '\0';
    }
    recordingFile[sizeof(recordingFile) - 1] = '\0';
    inputWatch.Begin(startTick, readTick());
}

// True when the recorded length has grown since it was last seen, or cannot be told.
bool WaveRecorder::InputGrew() {
    DWORD_PTR position = 0;
    if (!QueryStatus(MCI_STATUS_POSITION, position)) {
        inputWatch.NoteUnknown(readTick());
        return true;
    }
    return inputWatch.NoteLength(position, readTick());
}

bool WaveRecorder::WatchInput() {
    if (recording != 1 || sequence != Sequence::kNone || !deviceOpen || InputGrew() ||
        !inputWatch.SilentTooLong(readTick())) {
        return false;
    }
    DWORD_PTR mode = 0;
    if (!QueryStatus(MCI_STATUS_MODE, mode) || mode != MCI_MODE_RECORD) {
        return false;
    }
    sequence = Sequence::kStop;
    finishedFromOutside = false;
    CheckTarget();
    EndTakeOfLostInput();
    recording = 0;
    sequence = Sequence::kNone;
    return true;
}

// False when the input is found dead. The wait is bounded in real time, whatever clock the
// recorder counts the take with.
bool WaveRecorder::InputStillComing() {
    // Only a device that records waits for a buffer when stopped.
    DWORD_PTR mode = 0;
    if (!QueryStatus(MCI_STATUS_MODE, mode) || mode != MCI_MODE_RECORD) {
        return true;
    }
    InputGrew();  // the length as it stands at the click
    if (!inputWatch.FarBehind(readTick())) {
        return true;
    }
    const DWORD start = GetTickCount();
    do {
        Sleep(kStopCheckPollMs);
        if (InputGrew()) {
            return true;
        }
    } while (GetTickCount() - start < kStopCheckMs);
    return false;
}

// The device stays open, never to be sent a command again: a stop, a save or a close would each
// wait for a buffer that never comes. Its recording file holds the take up to the fault.
void WaveRecorder::EndTakeOfLostInput() {
    abandonedDevice = openParams.wDeviceID;
    deviceOpen = false;
    fromRecordingFile = true;
    if (!Report(kInputLost)) {
        return;
    }
    SaveFromRecordingFile();
}

// Writes the take from the device's recording file to its target, or keeps it in the temporary
// folder and says where.
bool WaveRecorder::SaveFromRecordingFile() {
    if (takeSaved) {
        return true;
    }
    takeSaved = true;
    PCMWAVEFORMAT pcm = {};
    pcm.wf.wFormatTag = waveParams.wFormatTag;
    pcm.wf.nChannels = waveParams.nChannels;
    pcm.wf.nSamplesPerSec = waveParams.nSamplesPerSec;
    pcm.wf.nAvgBytesPerSec = waveParams.nAvgBytesPerSec;
    pcm.wf.nBlockAlign = waveParams.nBlockAlign;
    pcm.wBitsPerSample = waveParams.wBitsPerSample;
    if (recordingFile[0] != '\0' && targetWritable && WriteTakeFromRecording(recordingFile, path, pcm)) {
        return true;
    }
    char rescuePath[kPathBufferSize] = {};
    if (recordingFile[0] == '\0' || !MakeRescuePath(path, rescuePath, sizeof(rescuePath)) ||
        !WriteTakeFromRecording(recordingFile, rescuePath, pcm)) {
        return Report(kTakeLost);
    }
    return ReportKeptAt(rescuePath);
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
    // A volume too small for the take would get a file cut short that claims the whole take.
    if (targetWritable && !HasRoomFor(path, RecordedBytes())) {
        targetWritable = false;
    }
    if (targetWritable) {
        Command(openParams.wDeviceID, MCI_SAVE, MCI_SAVE_FILE | MCI_WAIT, &saveParams);
        if (lastError == 0) {
            return SavedWhole() || KeepRecordingFile();
        }
        // The device does not save a take twice: what is left is the rescue.
        targetWritable = false;
    }
    if (!Report(kSaveFailed)) {
        return false;
    }
    return RescueTake();
}

// The length of the stopped take's file: the header and the samples the device reports.
uint64_t WaveRecorder::RecordedBytes() {
    InputGrew();
    // The length comes in whole milliseconds: one more covers what its rounding dropped.
    return (uint64_t{inputWatch.LengthMs()} + 1) * waveParams.nAvgBytesPerSec / 1000 + kWaveHeaderSize;
}

// The device reports a save that came out short as a success: the file is checked instead.
bool WaveRecorder::SavedWhole() {
    const uint64_t recorded = uint64_t{inputWatch.LengthMs()} * waveParams.nAvgBytesPerSec / 1000;
    const uint64_t oneMs = waveParams.nAvgBytesPerSec / 1000 + waveParams.nBlockAlign;
    const uint32_t atLeast = static_cast<uint32_t>(recorded > oneMs ? recorded - oneMs : 0);
    if (!IsCompleteTake(path, atLeast)) {
        return false;
    }
    takeSaved = true;
    return true;
}

// The save came out short (the target's volume filled during the copy). The file it left is
// removed, so that no file under the user's name claims more sound than it holds, and the take is
// written again from the device's own recording file, which a failed copy leaves in place.
bool WaveRecorder::KeepRecordingFile() {
    CloseDevice();  // the device keeps its saved file open
    DeleteFileA(path);
    targetWritable = false;
    fromRecordingFile = true;
    if (!Report(kSaveFailed)) {
        return false;
    }
    return SaveFromRecordingFile();
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
    return ReportKeptAt(rescuePath);
}

// Tells the user where the take was kept. The path holds at most kPathBufferSize - 1 bytes, so
// the message fits its buffer.
bool WaveRecorder::ReportKeptAt(const char* rescuePath) {
    char message[sizeof(kTakeKeptAtFormat) + kPathBufferSize];
    wsprintfA(message, kTakeKeptAtFormat, rescuePath);
    return Report(message);
}

bool WaveRecorder::CloseDevice() {
    if (closeSent) {
        return true;
    }
    MCI_GENERIC_PARMS closeParams = {};
    return Send(openParams.wDeviceID, MCI_CLOSE, 0, &closeParams, kCloseFailed);
}
