#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>

#include "recorder/capture_thread_watch.h"
#include "recorder/device_quirks.h"
#include "recorder/failure_report.h"
#include "recorder/file_naming.h"
#include "recorder/input_watch.h"
#include "recorder/recording_format.h"
#include "recorder/take_stage.h"

// The two seams the tests replace: how a device command is sent, and where time comes from.
using DeviceCommandFunction = MCIERROR(WINAPI*)(MCIDEVICEID, UINT, DWORD_PTR, DWORD_PTR);
using TickSource = DWORD(WINAPI*)();

// Records one take at a time through the waveform-audio device: open, set format, record; then
// stop, save under a free name, close. Every failed command is reported through onError and the
// sequence goes on; so is a record command after which the device is not recording.
//
// A take is on disk, in its target or kept elsewhere, before any box of its stop waits for the
// user: the boxes then tell what has happened, in the order it happened. A take too long for one
// file goes on in the next free name of its path, the device handed over at a tick.
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
    // Whole seconds since the take began, across all its files; 0 while idle.
    uint32_t ElapsedSeconds() const;

    // True while a start or stop sequence runs. Its error boxes keep dispatching the window's
    // messages, so a click or a tick can arrive in the middle of one: such a nested start or stop
    // is ignored (no second device, no second save), and the window can ask here first.
    bool InSequence() const;

    // Called by the half-second tick while a take runs. An input that has died (the recorded length
    // stops growing while the device says it records, as when the sound server goes away) is
    // reported once and the take ended with the sound up to the fault. A file that nears the
    // writer's limit is saved and the take goes on in the next free name. True when the take ended.
    bool WatchTake();

    // Ends the take at once and without a word, for the end of the session, when no box can be
    // answered and the process is ended right after: stops, saves (to the target, or kept
    // elsewhere) and closes the device. Called from inside a box of a sequence, it finishes what
    // that sequence has left, once; the sequence then shows nothing more. Does nothing while idle.
    void FinishTakeSilently();

    MCI_OPEN_PARMSA openParams;
    MCI_SAVE_PARMSA saveParams;
    MCI_WAVE_SET_PARMS waveParams;
    RecordingFormat format;
    uint32_t lastError;
    uint32_t startTick;
    // The current file's name: the take's path, rewritten to its free name when the file ends.
    char path[kPathBufferSize];
    ErrorHandler onError;

    // The seams: the device, the clock, the platform's quirks, and the size at which a file of a
    // take is handed over to the next (the tests lower it to see a take span several files).
    DeviceCommandFunction sendCommand;
    TickSource readTick;
    DeviceQuirks quirks;
    uint64_t handOverBytes;

private:
    // wave_recorder.cpp: the take's progress.
    void MoveTo(TakeStage next);
    bool TellReports();
    void HandOver();
    void EndTakeOfLostInput();
    uint64_t FileBytesAt(DWORD now) const;

    // device_sequence.cpp: the commands of a file, each from where the file stands.
    void FillWaveParams();
    void Command(MCIDEVICEID device, UINT command, DWORD flags, void* params);
    bool Failed(const char* failure);
    bool QueryStatus(MCIDEVICEID device, DWORD item, DWORD_PTR& value);
    bool StartFile(bool tellAtOnce);
    bool ConfirmRecording();
    void NoteRecordingFile();
    bool InputGrew();
    bool InputDied();
    bool InputStillComing();
    void EndFile();
    void EndFileAtStop();
    void EndFileOfLostInput();
    bool ChooseTarget();
    void StopDevice();
    void SendStop(MCIDEVICEID device);
    void SaveFile(bool targetReady);
    void CloseDevice();

    uint64_t RecordedBytes() const;
    uint32_t LeastWholeDataBytes() const;

    // take_rescue.cpp: a file its target did not get whole, and a device left with a dead input.
    enum class Miss { kNotSaved, kRefused, kCameOutShort };
    void KeepFile(Miss miss);
    bool SavesWhole(MCIDEVICEID device, char* target, uint32_t atLeast);
    bool KeepBySaving(char (&keptPath)[kPathBufferSize], uint32_t atLeast);
    bool KeepFromRecordingFile(char (&keptPath)[kPathBufferSize], uint32_t atLeast);
    void SaveFromRecordingFile();
    void LeaveDevice();
    void ReclaimLeftDevice();

    TakeStage stage_;
    // Which sequence runs, if any: a sequence that shows a box is still running while it is open.
    enum class Sequence { kNone, kStart, kStop };
    Sequence sequence_;
    // What the running sequence has to tell, held until its take is on disk.
    PendingReports reports_;

    // The path the take was started with; each of its files gets the next free name of it.
    char takePath_[kPathBufferSize];
    // When the current file began recording.
    DWORD fileStartTick_;
    // The device's own recording file, where the device names it once it records (not every
    // device does); the take can be rebuilt from it when the device cannot save it.
    char recordingFile_[kPathBufferSize];
    // The recorded length of the current file as last read, and whether the input still feeds it.
    InputWatch inputWatch_;
    CaptureThreadWatch captureThreads_;

    // A device left with a dead input, which would never return from a command (0: none), its
    // length when it was left and the path of its take.
    struct LeftDevice {
        MCIDEVICEID id;
        DWORD_PTR lengthMs;
        char path[kPathBufferSize];
    };
    LeftDevice left_;
};
