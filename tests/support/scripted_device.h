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
    DWORD tick;               // the clock when it was sent
};

// How the device behaves where its platforms differ. Each behaviour of kDocumented comes from
// Microsoft's MCI documentation or from a check of Wine's conformance tests (dlls/winmm/tests/
// mci.c, mciwave) that passes on Windows; kWine is Wine 8's device as measured (the platform
// notes).
enum class DeviceProfile {
    // MCI_INFO with MCI_INFO_FILE fails for a new recording until a save or an open names it
    // (mci.c: "Info file fails until named in Open or Save", MCIERR_NONAPPLICABLE_FUNCTION).
    // Every save writes a new file, also a second save of the same recording (mci.c: "Save must
    // not rename the original file"). A stop returns whether or not the input lives (MCI_STOP
    // reference: the command stops recording). The data chunk of an odd size is padded
    // (mmioAscend reference: a pad byte is written at the end of an odd-sized chunk). Each open
    // hands out a new identifier. An open is refused while its alias is in use: with none named,
    // the alias is the element's name ("" for every new recording) and the answer
    // MCIERR_DEVICE_OPEN; with one named, MCIERR_DUPLICATE_ALIAS (MCI_OPEN reference: the default
    // alias is the element's name, an alias in use is refused; mci.c, whose checks pass on
    // Windows: the same two answers). Devices of aliases of their own record at once.
    kDocumented,
    // MCI_INFO_FILE names the recording file (MCIxxxx.tmp) once recording; a save renames that
    // file to the target, and a later save moves the file saved last; a stop, save or close of a
    // device whose input died never returns. Aliases as documented (measured: a second open
    // naming none is refused, two of aliases of their own record at once, and either is stopped,
    // saved and closed while the other records). Identifiers are handed out from idOnOpen up,
    // the lowest one not in use.
    kWine,
};

struct Script {
    DeviceProfile profile = DeviceProfile::kDocumented;
    std::vector<SentCommand> sent;
    std::map<UINT, MCIERROR> results;
    // The identifier a successful open hands out (a kDocumented device's next one counts on).
    MCIDEVICEID idOnOpen = 7;
    // The devices open, by identifier: the alias each answers to, the format set on it (its own,
    // 8-bit mono at 11,025 Hz, until a set succeeds), and the file it saved last: a kWine device's
    // later save moves that file, and a documented one names it as its file. A device whose
    // close failed stays open.
    struct OpenDevice {
        std::string alias;
        MCI_WAVE_SET_PARMS wave;
        std::string savedLast;
    };
    std::map<MCIDEVICEID, OpenDevice> openDevices;
    // Where the commands after a failed open go (the identifier it left names no open device):
    // answered as scripted, in the format set last.
    OpenDevice unopened;
    // Runs after each command has been recorded and answered.
    std::function<void(UINT command)> onCommand;
    DWORD tick = 1000000;
    // How far the clock moves at every question about the length: a test's clock that a wait
    // bounded in time has to see pass.
    DWORD msPerLengthQuestion = 0;
    std::vector<std::string> messages;
    // Runs inside the error handler, where a real error box would run its modal loop.
    std::function<void(const std::string& message)> onMessage;
    // Status queries change nothing on the device, so they are kept apart from `sent`: what the
    // device says its mode is; after each record command it reads "not ready" until the clock has
    // moved on this far.
    DWORD_PTR mode = MCI_MODE_RECORD;
    DWORD notReadyForMs = 0;
    DWORD readyAtTick = 0;
    // The recorded length: while the input lives it grows by a millisecond at every question, as a
    // real one does between questions; a dead input's stays where it is. A device whose length
    // is not told while recording (nothing documents that it is) reads 0 until the stop.
    bool inputAlive = true;
    bool lengthOnlyAfterStop = false;
    // A device with no file to record into (Wine's, its temporary folder missing) fails the question.
    bool lengthFails = false;
    // A live input held back (a busy machine): its length stands still until the clock reaches this.
    DWORD lateUntilTick = 0;
    DWORD_PTR positionMs = 0;
    // A stop takes the buffer in progress: a live input's length grows this much at the stop
    // (Wine's runs on to the next third of a second).
    DWORD_PTR stopGrowsMs = 0;
    // The file a kWine device names as its recording file, kept apart from `sent` as well.
    std::string recordingFile;
    // A successful save writes a complete WAV of the recorded length in its device's format, as
    // the device does (wave: the format set last). A device's first save is cut to saveCutTo
    // bytes (the target's volume fills during the save) or holds saveShortMs fewer milliseconds
    // of sound, its sizes agreeing.
    MCI_WAVE_SET_PARMS wave = {};
    size_t saveCutTo = SIZE_MAX;
    DWORD saveShortMs = 0;
    // How long a save takes on the clock: a copy of the recording, as every documented save is.
    DWORD saveMs = 0;
    // Commands sent to a kWine device whose input had died: each would have hung the program.
    size_t hungCommands = 0;

    // The commands sent, in order, without their parameters.
    std::vector<UINT> Commands() const;
    size_t Count(UINT command) const;
    // The entries of one command, in order.
    std::vector<SentCommand> Sent(UINT command) const;
};

extern Script g_script;

// Removes every file a scripted save has written outside folder since the program started: takes
// kept in the user's keep folder, which every test program shares and which outlives them.
void RemoveScriptedSavesOutside(const std::string& folder);

MCIERROR WINAPI ScriptedSend(MCIDEVICEID device, UINT command, DWORD_PTR flags, DWORD_PTR params);
DWORD WINAPI ScriptedTick();
// A pause of the recorder: the clock moves on by ms.
VOID WINAPI ScriptedPause(DWORD ms);
void RecordMessage(const char* message);
