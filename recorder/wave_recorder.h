#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>

#include "recorder/capture_thread_watch.h"
#include "recorder/file_naming.h"
#include "recorder/input_watch.h"
#include "recorder/recording_format.h"

// Receives the text of a failed device command ("エラー:MCI_OPEN", ...).
using ErrorHandler = void (*)(const char* message);

// Shows the message in a box titled "error" with one OK button and no owner window, and returns
// when the user has closed it, also when the program's quit message arrives meanwhile.
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

    // True while a start or stop sequence runs. Its error boxes keep dispatching the window's
    // messages, so a click or a tick can arrive in the middle of one: such a nested start or stop
    // is ignored (no second device, no second save), and the window can ask here first.
    bool InSequence() const;

    // Called by the half-second tick while a take runs. An input that has died (the recorded length
    // stops growing while the device says it records, as when the sound server goes away) is
    // reported once and the take ended, its sound up to the fault written from the device's own
    // recording file: the device cannot stop without its input, so it is never sent another
    // command. True when it ended the take.
    bool WatchInput();

    // Ends the take at once and without a word, for the end of the session, when no box can be
    // answered and the process is ended right after: stops, saves (to the target, or kept in the
    // temporary folder) and closes the device. Called from inside a box of a start or stop
    // sequence, it finishes what that sequence has left, once; the sequence then sends nothing
    // more when its box returns. Does nothing while idle.
    void FinishTakeSilently();

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
    void Command(MCIDEVICEID device, UINT command, DWORD flags, void* params);
    bool Check(const char* failure);
    bool Send(MCIDEVICEID device, UINT command, DWORD flags, void* params, const char* failure);
    bool Report(const char* message);
    bool QueryStatus(DWORD item, DWORD_PTR& value);
    bool ConfirmRecording();
    void NoteRecordingFile();
    bool InputGrew();
    bool InputStillComing();
    void EndTakeOfLostInput();
    bool SaveFromRecordingFile();
    uint64_t RecordedBytes();
    bool SavedWhole();
    bool KeepRecordingFile();
    void CheckTarget();
    bool StopDevice();
    bool SaveTake();
    bool RescueTake();
    bool ReportKeptAt(const char* rescuePath);
    bool CloseDevice();

    CaptureThreadWatch captureThreads;

    // Which sequence runs, if any: a start or stop that shows a box is still running while the
    // box is open.
    enum class Sequence { kNone, kStart, kStop };
    Sequence sequence;
    // Set when FinishTakeSilently has ended the take from inside a box of a running sequence:
    // every step of that sequence still to come is then skipped.
    bool finishedFromOutside;
    // Set while FinishTakeSilently runs: nothing is shown.
    bool silent;

    // How far the device has come with the current take, so that a take can be finished from
    // any point exactly once: no command to a device that is not open, no second stop or save.
    bool deviceOpen;
    bool recordSent;
    bool stopSent;
    bool takeSaved;  // saved, kept elsewhere, or known to be lost: nothing more to save
    bool closeSent;
    // The device cannot save the take: it is written from the recording file instead.
    bool fromRecordingFile;
    // The free name has been chosen and tried, and whether the device may save there.
    bool targetChecked;
    bool targetWritable;

    // The device's own recording file, named by the device once it records; the take can be
    // rebuilt from it when the device cannot save it.
    char recordingFile[kPathBufferSize];
    // The recorded length as last read, and whether the input still feeds it.
    InputWatch inputWatch;
    // A device whose input died: it would never return from a stop or a close, so nothing is sent
    // to it any more (0: none).
    MCIDEVICEID abandonedDevice;
};
