#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>

#include "recorder/capture_thread_watch.h"
#include "recorder/device_quirks.h"
#include "recorder/file_naming.h"
#include "recorder/input_watch.h"
#include "recorder/recording_format.h"

// How a device command is sent: the platform's mciSendCommandA, or a test's scripted device.
using DeviceCommandFunction = MCIERROR(WINAPI*)(MCIDEVICEID, UINT, DWORD_PTR, DWORD_PTR);
// Where time comes from: the tick counter, or a test's clock.
using TickSource = DWORD(WINAPI*)();
// How the window's thread waits a moment: Sleep, or a test's clock moving on.
using PauseFunction = VOID(WINAPI*)(DWORD);

// The answer to a question asked of a device that may not be ready to answer it yet.
enum class Answer { kYes, kNo, kNotYet };

// Asks until the answer is yes or no, again after each pause of everyMs, for at most limitMs of
// readTick's time and, whatever the clock does, as many looks as fit in it. True on a yes.
template <typename Ask>
bool AskUntilAnswered(Ask ask, DWORD limitMs, DWORD everyMs, TickSource readTick, PauseFunction pause) {
    const DWORD start = readTick();
    for (DWORD looks = 0;; ++looks) {
        const Answer answer = ask();
        if (answer != Answer::kNotYet) {
            return answer == Answer::kYes;
        }
        if (looks >= limitMs / everyMs || readTick() - start >= limitMs) {
            return false;
        }
        pause(everyMs);
    }
}

// One waveform-audio device of the media control interface, recording a new, unnamed element.
// Every command the program sends to a device goes through here, with the workarounds its
// platform needs; what becomes of the sound is the caller's to decide. Each command keeps the
// device's answer (LastError) and returns true when it succeeded.
class WaveDevice {
public:
    WaveDevice() = default;
    ~WaveDevice();
    WaveDevice(const WaveDevice&) = delete;
    WaveDevice& operator=(const WaveDevice&) = delete;

    // Opens a new recording under an alias no other device of the process has had, sending this
    // and every later command through send. After a failed open the later commands go to the
    // identifier that the last successful open left.
    bool Open(DeviceCommandFunction send, const DeviceQuirks& quirks);
    // Sets the PCM format of the recording; a block of 12 bits in one channel is 1 byte. Where the
    // device refuses it, Pcm() tells the device's own format, as far as the device tells it.
    bool SetFormat(const RecordingFormat& format);
    bool Record();
    bool Stop();
    // Saves the recording as target, which must stay valid until the call returns.
    bool Save(char* target);
    bool Close();

    // Questions: they change nothing on the device and are never told to the user.
    // The recorded length and what the device says of its recording, as it tells them now.
    InputReading ReadInput();
    // True unless the device's mode, asked after the record command, says it does not record. A
    // device that cannot tell its mode is taken at its word. A device not ready yet is asked again
    // after each pause, for a second of readTick's time.
    bool SaysItRecords(TickSource readTick, PauseFunction pause);
    // Whether a save of this recording as target (a new file) needs room there: a device that
    // names its recording file (Wine's) saves by renaming it, which takes none on its own volume.
    bool SaveNeedsRoomAt(const char* target) const;
    // Whether a second save writes the recording anew. A device that saves by renaming its
    // recording file moves the file it saved last instead, a short one too.
    bool SavesAnewAfterAShortSave() const;
    // Writes the sound of the device's recording file, as far as it is there, to target (which
    // must not exist) as a complete WAV of at least minimumData bytes of samples. False where the
    // device names no recording file (a documented one does not until it has saved).
    bool WriteRecordingTo(const char* target, uint32_t minimumData) const;
    // The format set, as a WAV file's header holds it.
    PCMWAVEFORMAT Pcm() const;

    // True when a stop, a save and a close return although the input has died.
    bool CanStopWithDeadInput();
    // Leaves a device whose input has died and which cannot be stopped so, with the path of its
    // take: from now on it is asked questions only, and no device sends a command to its
    // identifier. One device at a time is left; leaving another lets the first go.
    void Leave(const char* takePath);
    // True while the device is left and its identifier has not been handed out again (the
    // platform let it go then).
    bool IsLeft() const;
    // The path of the take a left device recorded.
    const char* LeftTakePath() const;
    // A left device whose input came back may be sent commands again.
    void Reclaim();

    // What the last command sent to the device returned.
    uint32_t LastError() const { return lastError_; }

private:
    bool Send(UINT command, DWORD flags, void* params);
    bool AskMode(DWORD_PTR& mode);
    InputReading::Says AskWhetherItRecords();
    bool StopsWithoutInput(InputReading::Says says) const;
    bool Ask(DWORD item, DWORD_PTR& value);

    MCI_OPEN_PARMSA openParams_ = {};
    MCI_SAVE_PARMSA saveParams_ = {};
    MCI_WAVE_SET_PARMS waveParams_ = {};
    uint32_t lastError_ = 0;
    DeviceCommandFunction send_ = nullptr;
    DeviceQuirks quirks_;
    char recordingFile_[kPathBufferSize] = {};
    // "mirebasco" and the number of the open in the process.
    char alias_[20] = {};
    CaptureThreadWatch captureThreads_;
};
