#pragma once

#include <windows.h>

#include <string>

// Leaves every program started while it lives without a sound device, and gives them their sound
// back when it goes.
//
// Under Wine a program's sound library reads the Unix environment the program inherits from its
// Wine parent, not the environment block handed to CreateProcess, so a changed PULSE_SERVER in
// the block does not reach it (measured: a child given an unreachable server in its block still
// saw 3 input devices, and its Unix environment still named the working server). Wine's own
// per-user choice of audio driver does reach it: an empty "Audio" value under
// HKCU\Software\Wine\Drivers means no driver at all. With it the device behaves as with the sound
// server gone: no input device, every MCI command of a take returns 0, and the save writes a WAV
// with no samples. The setting is read when a program first uses sound, so it must stay in place
// until the program has ended.
class NoSoundDevice {
public:
    NoSoundDevice();
    ~NoSoundDevice();
    NoSoundDevice(const NoSoundDevice&) = delete;
    NoSoundDevice& operator=(const NoSoundDevice&) = delete;

    // False when the setting could not be made; the reason is in Error().
    bool IsActive() const { return active_; }
    const std::string& Error() const { return error_; }

private:
    HKEY key_ = nullptr;
    bool active_ = false;
    bool hadValue_ = false;
    DWORD oldType_ = 0;
    std::string oldValue_;
    std::string error_;
};

// How many sound input devices a program started now sees, as sound_probe.exe beside this test
// program reports it; -1 when the probe could not run.
int CountSoundInputs();
