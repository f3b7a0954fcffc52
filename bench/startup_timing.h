#pragma once

#include <string>

// One start of a window program, timed from CreateProcess to the moment its window is visible
// (and, for the recorder, its format list filled: the window is then usable). The program is then
// closed through its window and waited for.
struct StartupTiming {
    bool ok = false;
    double readyMs = 0;
    std::string error;
};

// listControlId 0: the window only has to be visible; otherwise that combo box must hold
// listCount items.
StartupTiming TimeStartup(const std::string& exePath,
                          const char* windowClass,
                          const char* windowTitle,
                          int listControlId,
                          int listCount);
