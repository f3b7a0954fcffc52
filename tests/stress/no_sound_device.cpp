#include "tests/stress/no_sound_device.h"

#include <vector>

#include "tests/e2e/window_driver.h"
#include "tests/support/temp_dir.h"

namespace {

const char kDriversKey[] = "Software\\Wine\\Drivers";
const char kAudioValue[] = "Audio";
const char kNoDriver[] = "";

}  // namespace

NoSoundDevice::NoSoundDevice() {
    LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, kDriversKey, 0, nullptr, 0,
                                  KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_, nullptr);
    if (result != ERROR_SUCCESS) {
        key_ = nullptr;
        error_ = "cannot open HKCU\\" + std::string(kDriversKey) + ": error " + std::to_string(result);
        return;
    }
    DWORD size = 0;
    if (RegQueryValueExA(key_, kAudioValue, nullptr, &oldType_, nullptr, &size) == ERROR_SUCCESS) {
        std::vector<char> old(size + 1, '\0');
        if (RegQueryValueExA(key_, kAudioValue, nullptr, &oldType_, reinterpret_cast<BYTE*>(old.data()),
                             &size) == ERROR_SUCCESS) {
            hadValue_ = true;
            oldValue_.assign(old.data(), size);
        }
    }
    result = RegSetValueExA(key_, kAudioValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(kNoDriver),
                            sizeof(kNoDriver));
    if (result != ERROR_SUCCESS) {
        error_ = "cannot set the audio driver to none: error " + std::to_string(result);
        return;
    }
    active_ = true;
}

NoSoundDevice::~NoSoundDevice() {
    if (!key_) {
        return;
    }
    if (active_) {
        if (hadValue_) {
            RegSetValueExA(key_, kAudioValue, 0, oldType_, reinterpret_cast<const BYTE*>(oldValue_.data()),
                           static_cast<DWORD>(oldValue_.size()));
        } else {
            RegDeleteValueA(key_, kAudioValue);
        }
    }
    RegCloseKey(key_);
}

int CountSoundInputs() {
    const std::string probe = e2e::PathBesideThisProgram("sound_probe.exe");
    TempDir folder("probe");
    e2e::LaunchedProgram program;
    std::string error;
    DWORD exitCode = 0;
    if (!program.Start(probe, folder.Path(), &error) || !program.WaitForExit(e2e::kPatientMs, &exitCode)) {
        return -1;
    }
    return static_cast<int>(exitCode);
}
