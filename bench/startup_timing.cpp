#include "bench/startup_timing.h"

#include <windows.h>

#include "tests/e2e/window_driver.h"

namespace {

using e2e::NowMs;

constexpr double kStartupTimeoutMs = 60000;
constexpr DWORD kExitTimeoutMs = 30000;

// The window is usable once it is visible and its message loop answers (a window made visible
// while it is created shows before the loop runs) and, when asked for, its list is filled. The
// check itself is a few window messages, cheap beside a process start.
bool IsReady(DWORD processId,
             const char* windowClass,
             const char* windowTitle,
             int listControlId,
             int listCount,
             HWND* found) {
    HWND window = e2e::FindTopLevelWindow(processId, windowClass, windowTitle);
    DWORD_PTR ignored = 0;
    if (!window || !IsWindowVisible(window) ||
        !SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored)) {
        return false;
    }
    *found = window;
    return listControlId == 0 || e2e::ListCount(GetDlgItem(window, listControlId)) == listCount;
}

}  // namespace

StartupTiming TimeStartup(const std::string& exePath,
                          const char* windowClass,
                          const char* windowTitle,
                          int listControlId,
                          int listCount) {
    StartupTiming timing;
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof(folder), folder);
    e2e::LaunchedProgram program;
    const double started = NowMs();
    if (!program.Start(exePath, folder, &timing.error)) {
        return timing;
    }
    HWND window = nullptr;
    // Polled every millisecond: a finer loop would take a core from the program being started.
    while (!IsReady(program.ProcessId(), windowClass, windowTitle, listControlId, listCount, &window)) {
        if (!program.IsRunning() || NowMs() - started > kStartupTimeoutMs) {
            timing.error = exePath + " showed no ready window";
            return timing;
        }
        Sleep(1);
    }
    timing.readyMs = NowMs() - started;
    PostMessageA(window, WM_CLOSE, 0, 0);
    DWORD exitCode = 0;
    if (!program.WaitForExit(kExitTimeoutMs, &exitCode)) {
        timing.error = exePath + " did not end after its window was closed";
        return timing;
    }
    timing.ok = true;
    return timing;
}
