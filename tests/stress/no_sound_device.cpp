#include "tests/stress/no_sound_device.h"

#include "tests/e2e/window_driver.h"
#include "tests/support/temp_dir.h"

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
