#include "recorder/wave_recorder.h"

#include <cstdio>
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

void DefaultErrorHandler(const char* message) {
    MessageBoxA(nullptr, message, kErrorCaption, MB_OK);
}

WaveRecorder::WaveRecorder()
    : openParams(),
      saveParams(),
      waveParams(),
      format{44100, 2, 16},
      lastError(0),
      recording(0),
      startTick(0),
      path(),
      onError(DefaultErrorHandler),
      sendCommand(mciSendCommandA),
      readTick(GetTickCount),
      inSequence(false) {}

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
    if (inSequence) {
        return;
    }
    inSequence = true;
    lstrcpynA(path, newPath, static_cast<int>(sizeof(path)));
    openParams.lpstrElementName = g_newElement;
    openParams.lpstrDeviceType = reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(MCI_DEVTYPE_WAVEFORM_AUDIO));
    FillWaveParams();

    Send(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID | MCI_OPEN_ELEMENT, &openParams, kOpenFailed);
    const DWORD formatFlags = MCI_WAVE_SET_FORMATTAG | MCI_WAVE_SET_CHANNELS | MCI_WAVE_SET_SAMPLESPERSEC |
                              MCI_WAVE_SET_AVGBYTESPERSEC | MCI_WAVE_SET_BLOCKALIGN |
                              MCI_WAVE_SET_BITSPERSAMPLE;
    Send(openParams.wDeviceID, MCI_SET, formatFlags, &waveParams, kSetFailed);
    // The record command takes no options, but the device rejects a missing parameter block.
    MCI_RECORD_PARMS recordParams = {};
    captureThreads.NoteExistingThreads();
    Send(openParams.wDeviceID, MCI_RECORD, 0, &recordParams, kRecordFailed);
    if (lastError == 0) {
        ConfirmRecording();
    }
    captureThreads.FindDriverThreads();

    // Taken after any error box has been closed, so the time a box stays up is not counted.
    startTick = readTick();
    recording = 1;
    inSequence = false;
}

void WaveRecorder::StopAndSave() {
    if (recording == 0 || inSequence) {
        return;
    }
    inSequence = true;
    // The name is chosen while the device still records; a target that cannot take a new file
    // is known before the device is asked to save, because a failed save cannot be retried.
    const bool nameFree = FindFreePath(path);
    const bool targetWritable = nameFree && CanCreateFile(path);
    saveParams.lpfilename = path;

    MCI_GENERIC_PARMS stopParams = {};
    Send(openParams.wDeviceID, MCI_STOP, MCI_WAIT, &stopParams, kStopFailed);
    captureThreads.WaitForDriverThreads(kCaptureEndTimeoutMs);
    SaveTake(targetWritable);
    MCI_GENERIC_PARMS closeParams = {};
    Send(openParams.wDeviceID, MCI_CLOSE, 0, &closeParams, kCloseFailed);

    recording = 0;
    inSequence = false;
}

int32_t WaveRecorder::IsRecording() const {
    return recording;
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

void WaveRecorder::Send(MCIDEVICEID device, UINT command, DWORD flags, void* params, const char* failure) {
    lastError = sendCommand(device, command, flags, reinterpret_cast<DWORD_PTR>(params));
    if (lastError != 0) {
        onError(failure);
    }
}

// A driver may start the capture on a thread of its own and answer the record command before it
// has found an input: with no input device at all the command then reports success and the take
// is silently empty. The device's mode, asked right away, tells the two apart. A device that
// cannot tell its mode is taken at its word.
void WaveRecorder::ConfirmRecording() {
    MCI_STATUS_PARMS status = {};
    status.dwItem = MCI_STATUS_MODE;
    const MCIERROR answer = sendCommand(openParams.wDeviceID, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT,
                                        reinterpret_cast<DWORD_PTR>(&status));
    if (answer == 0 && status.dwReturn != MCI_MODE_RECORD) {
        lastError = MCIERR_WAVE_INPUTSUNSUITABLE;
        onError(kRecordFailed);
    }
}

void WaveRecorder::SaveTake(bool targetWritable) {
    if (targetWritable) {
        Send(openParams.wDeviceID, MCI_SAVE, MCI_SAVE_FILE | MCI_WAIT, &saveParams, kSaveFailed);
        if (lastError == 0) {
            return;
        }
    } else {
        onError(kSaveFailed);
    }
    RescueTake();
}

// Saves the take in the temporary folder under a free name and tells the user where it is.
void WaveRecorder::RescueTake() {
    char rescuePath[kPathBufferSize] = {};
    if (!MakeRescuePath(path, rescuePath, sizeof(rescuePath))) {
        onError(kTakeLost);
        return;
    }
    MCI_SAVE_PARMSA rescueParams = {};
    rescueParams.lpfilename = rescuePath;
    lastError = sendCommand(openParams.wDeviceID, MCI_SAVE, MCI_SAVE_FILE | MCI_WAIT,
                            reinterpret_cast<DWORD_PTR>(&rescueParams));
    if (lastError != 0) {
        onError(kTakeLost);
        return;
    }
    char message[sizeof(kTakeKeptAtFormat) + kPathBufferSize];
    snprintf(message, sizeof(message), kTakeKeptAtFormat, rescuePath);
    onError(message);
}
