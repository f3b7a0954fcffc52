#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "recorder/device_command.h"
#include "recorder/device_quirks.h"
#include "recorder/failure_report.h"
#include "recorder/file_naming.h"
#include "recorder/file_size_limit.h"
#include "recorder/input_watch.h"
#include "recorder/keep_folder.h"
#include "recorder/recording_format.h"
#include "recorder/take_rescue.h"
#include "recorder/take_stage.h"
#include "recorder/wave_device.h"

// Records one take at a time through the waveform-audio device: open, set format, record; then
// stop, save under a free name, close. Every failed command is reported through onError and the
// sequence goes on; so is a record command after which the device is not recording.
//
// This is the take's policy; every command goes through the take's devices (WaveDevice). A take is
// on disk, in its target or kept elsewhere, before any box waits for the user: a sequence sends its
// commands first, then its boxes tell what happened, in the order it happened. A take too long for
// one file goes on in the next free name of its path, in a new device, at a tick.
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

    // What the last command to the take's current device returned.
    uint32_t LastError() const;
    // Steps that the stage table refused. Each is a mistake in the recorder: it is not taken, and
    // it is counted so that the test that made it fails.
    size_t RefusedSteps() const;

    RecordingFormat format = {.sampleRate = 44100, .channels = 2, .bitsPerSample = 16};
    // The current file's name: the take's path, rewritten to its free name when the file ends.
    char path[kPathBufferSize] = {};
    ErrorHandler onError = DefaultErrorHandler;

    // The seams: how a device command is sent, the clock, the platform's quirks (handed to each
    // device opened), and the size at which a file of a take is handed over to the next (the tests
    // lower it to see a take span several files).
    DeviceCommandFunction sendCommand = SendDeviceCommand;
    TickSource readTick = GetTickCount;
    // The pause between two questions to a device not ready yet: on a test's clock the pause is
    // what moves time on, so that the wait's pace and its bound can be seen there.
    PauseFunction pause = Sleep;
    DeviceQuirks quirks = QuirksOfThisPlatform();
    uint64_t handOverBytes = kHandOverBytes;

private:
    // One file of the take: the device that records it, how its recorded length moves, and when
    // its record command was sent (the take's own start is startTick).
    struct TakeFile {
        WaveDevice device;
        InputWatch input;
        DWORD fileStartTick = 0;
    };
    // How the input of the current file stands when the file ends: alive; dead, its device still
    // stopped, saved and closed; or dead with a device that cannot be stopped without it.
    enum class InputAtEnd { kLives, kDied, kDiedWithDevice };
    // Which sequence runs, if any: a sequence that shows a box is still running while it is open.
    enum class Sequence { kNone, kStart, kStop };
    class SequenceScope;

    void MoveTo(TakeStage next);
    bool TellReports();
    bool StartFirstFile();
    bool StartNextFile(TakeFile& file);
    bool RecordFile(TakeFile& file);
    InputAtEnd InputAtStop();
    bool SeesInputComing(TakeFile& file);
    InputAtEnd DeadInput();
    void EndFile(InputAtEnd input);
    void LeaveFile();
    void StopAndSaveFile();
    void NoteOutcome(Outcome outcome, const char* keptPath);
    void HandOver();
    void ReclaimLeftDevice();
    size_t FreeSlot(size_t preferred) const;
    uint64_t FileBytesAt(DWORD now);
    TakeFile& Current();

    // When the take began, across all its files: taken once the start's boxes are closed.
    uint32_t startTick = 0;
    TakeStage stage_ = TakeStage::kIdle;
    Sequence sequence_ = Sequence::kNone;
    // What the running sequence has to tell, held until its take is on disk.
    PendingReports reports_;
    size_t refusedSteps_ = 0;

    // Where the take's files go that cannot be saved where they were aimed.
    TakeKeepFolder keepFolder_;
    // The path the take was started with; each of its files gets the next free name of it.
    char takePath_[kPathBufferSize] = {};
    // A take's files take turns in two devices: the next file of a long take may open before the
    // current one is done with. A device left with its dead input keeps its place until it comes
    // back or the platform lets it go.
    static constexpr size_t kFileCount = 2;
    TakeFile files_[kFileCount];
    size_t current_ = 0;
};
