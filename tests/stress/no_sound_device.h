#pragma once

#include <windows.h>

#include <string>

#include "tests/support/registry_value.h"

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
    // False when the setting could not be made; the reason is in Error().
    bool IsActive() const { return audio_.IsSet(); }
    const std::string& Error() const { return audio_.Error(); }

private:
    RegistryValueOverride audio_{"Software\\Wine\\Drivers", "Audio", ""};
};

// How many sound input devices a program started now sees, as sound_probe.exe beside this test
// program reports it; -1 when the probe could not run.
int CountSoundInputs();
