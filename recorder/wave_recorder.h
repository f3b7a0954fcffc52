#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>

#include "recorder/capture_thread_watch.h"
#include "recorder/file_naming.h"
#include "recorder/recording_format.h"

// Receives the text of a failed device command ("エラー:MCI_OPEN", ...).
using ErrorHandler = void (*)(const char* message);

// Shows the message in a box titled "error" with one OK button and no owner window.
void DefaultErrorHandler(const char* message);

// The two seams the tests replace: how a device command is sent, and where time comes from.
using DeviceCommandFunction = MCIERROR(WINAPI*)(MCIDEVICEID, UINT, DWORD_PTR, DWORD_PTR);
using TickSource = DWORD(WINAPI*)();

// Records one take at a time through the waveform-audio device: open, set format, record; then
// stop, save under a free name, close. Every failed command is reported through onError and the
// sequence goes on; so is a record command after which the device is not recording.
class WaveRecorder {
public:
    WaveRecorder();
    ~WaveRecorder();
    WaveRecorder(const WaveRecorder&) = delete;
    WaveRecorder& operator=(const WaveRecorder&) = delete;

    // Stores the format of the next take; false, and nothing changed, while a take runs.
    bool SetFormat(uint16_t sampleRate, uint16_t bitsPerSample, uint16_t channels);
    // Starts a take that will be saved to path (at most kPathBufferSize - 1 bytes are kept).
    void StartRecording(const char* path);
    // Ends the running take and saves it under a free name; does nothing while idle.
    void StopAndSave();
    int32_t IsRecording() const;
    // Whole seconds since the take began; 0 while idle.
    uint32_t ElapsedSeconds() const;

    MCI_OPEN_PARMSA openParams;
    MCI_SAVE_PARMSA saveParams;
    MCI_WAVE_SET_PARMS waveParams;
    RecordingFormat format;
    uint32_t lastError;
    int32_t recording;
    uint32_t startTick;
    char path[kPathBufferSize];
    ErrorHandler onError;

    DeviceCommandFunction sendCommand;
    TickSource readTick;

private:
    void FillWaveParams();
    void Send(MCIDEVICEID device, UINT command, DWORD flags, void* params, const char* failure);
    void ConfirmRecording();
    void SaveTake(bool targetWritable);
    void RescueTake();

    CaptureThreadWatch captureThreads;

    // True while a start or stop sequence runs. An error box inside a sequence keeps dispatching
    // the window's messages, so a tick or a click can call in again; such nested calls are
    // ignored rather than opening a second device or saving twice.
    bool inSequence;
};
