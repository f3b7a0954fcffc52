#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

// Stands in for the waveform-audio device, the tick counter and the error boxes of a recorder:
// commands are recorded and answered from a script, time is whatever the test says, and error
// texts are collected instead of shown.
struct SentCommand {
    MCIDEVICEID device;
    UINT command;
    DWORD_PTR flags;
    bool hasParams;
    std::string fileName;     // MCI_SAVE's target
    MCI_WAVE_SET_PARMS wave;  // MCI_SET's format
    MCI_OPEN_PARMSA open;     // MCI_OPEN's block as sent
};

struct Script {
    std::vector<SentCommand> sent;
    std::map<UINT, MCIERROR> results;
    // The identifier a successful open hands out.
    MCIDEVICEID idOnOpen = 7;
    // Runs after each command has been recorded and answered.
    std::function<void(UINT command)> onCommand;
    DWORD tick = 1000000;
    std::vector<std::string> messages;
    // Runs inside the error handler, where a real error box would run its modal loop.
    std::function<void(const std::string& message)> onMessage;
    // Status queries change nothing on the device, so they are kept apart from `sent`: what the
    // device says its mode is.
    DWORD_PTR mode = MCI_MODE_RECORD;
    // The recorded length: while the input lives it grows by a millisecond at every question, as a
    // real one does between questions; a dead input's stays where it is.
    bool inputAlive = true;
    DWORD_PTR positionMs = 0;
    // What the device names as its recording file (MCI_INFO), kept apart from `sent` as well.
    std::string recordingFile;
    // A successful save writes a complete WAV of the recorded length, as the device does.
    DWORD avgBytesPerSec = 0;
    // Where the save's file is cut short, as on a volume that fills during the save.
    size_t saveCutTo = SIZE_MAX;

    // The commands sent, in order, without their parameters.
    std::vector<UINT> Commands() const;
    size_t Count(UINT command) const;
    // The entries of one command, in order.
    std::vector<SentCommand> Sent(UINT command) const;
};

extern Script g_script;

MCIERROR WINAPI ScriptedSend(MCIDEVICEID device, UINT command, DWORD_PTR flags, DWORD_PTR params);
DWORD WINAPI ScriptedTick();
void RecordMessage(const char* message);
