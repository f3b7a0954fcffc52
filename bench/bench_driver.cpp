// bench_driver.exe: the Windows side of scripts/bench. Each call does one measured step and
// prints its figures as "name value" lines on stdout; scripts/bench samples the processes from
// Linux around the steps and does the statistics.
//
//   bench_driver startup recorder|floor <exe>   start the program, time it to a usable window, close it
//   bench_driver ready recorder|floor           wait for the running program's window
//   bench_driver take <seconds> <path>          one take through the running recorder's window
//   bench_driver close recorder|floor           close the running program's window
//
// Exit code 0 when the step worked; 1 with the reason on stderr otherwise.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/floor_window.h"
#include "bench/startup_timing.h"
#include "bench/take_timing.h"
#include "tests/e2e/main_window_driver.h"
#include "tests/e2e/window_driver.h"

namespace {

constexpr DWORD kWindowTimeoutMs = 60000;

int Fail(const std::string& reason) {
    fprintf(stderr, "bench_driver: %s\n", reason.c_str());
    return 1;
}

// The running program's window once it is usable; null for an unknown kind or when none comes.
HWND WaitForProgramWindow(const std::string& kind) {
    if (kind == "recorder") {
        return e2e::WaitForMainWindow(0, kWindowTimeoutMs);
    }
    if (kind == "floor") {
        return e2e::WaitForTopLevelWindow(0, kFloorClass, kFloorTitle, kWindowTimeoutMs);
    }
    return nullptr;
}

int Startup(const std::string& kind, const std::string& exePath) {
    StartupTiming timing;
    if (kind == "recorder") {
        timing = TimeStartup(exePath, e2e::kMainWindowClass, e2e::kMainWindowTitle, e2e::kFormatListId,
                             kPresetCount);
    } else if (kind == "floor") {
        timing = TimeStartup(exePath, kFloorClass, kFloorTitle, 0, 0);
    } else {
        return Fail("startup takes recorder or floor, not " + kind);
    }
    if (!timing.ok) {
        return Fail(timing.error);
    }
    printf("startup_ms %.3f\n", timing.readyMs);
    return 0;
}

int Take(double seconds, const std::string& path) {
    HWND handle = e2e::WaitForMainWindow(0, kWindowTimeoutMs);
    if (!handle) {
        return Fail("no recorder window");
    }
    const e2e::MainWindow window(handle);
    const TakeTiming timing = TimeTake(window, path, seconds, stdout);
    DWORD processId = 0;
    GetWindowThreadProcessId(handle, &processId);
    for (HWND box : e2e::FindMessageBoxes(processId, e2e::kErrorCaption)) {
        const std::string text = e2e::MessageBoxText(box);
        e2e::DismissMessageBox(box);
        return Fail("the recorder showed an error: " + text);
    }
    if (!timing.ok) {
        return Fail(timing.error);
    }
    printf("shown_seconds %d\nwall_ms %.3f\nstop_to_saved_ms %.3f\n", timing.shownSeconds, timing.wallMs,
           timing.stopToSavedMs);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string step = argc > 1 ? argv[1] : "";
    if (step == "startup" && argc == 4) {
        return Startup(argv[2], argv[3]);
    }
    if (step == "ready" && argc == 3) {
        return WaitForProgramWindow(argv[2]) ? 0 : Fail(std::string("no window of ") + argv[2]);
    }
    if (step == "take" && argc == 4) {
        char* end = nullptr;
        const double seconds = strtod(argv[2], &end);
        if (end == argv[2] || *end != '\0' || !(seconds > 0 && seconds <= 3600)) {
            return Fail(std::string("not a take length in seconds: ") + argv[2]);
        }
        return Take(seconds, argv[3]);
    }
    if (step == "close" && argc == 3) {
        HWND window = WaitForProgramWindow(argv[2]);
        return window && PostMessageA(window, WM_CLOSE, 0, 0) ? 0
                                                              : Fail(std::string("no window of ") + argv[2]);
    }
    return Fail(
        "usage: bench_driver startup recorder|floor <exe> | ready recorder|floor | "
        "take <seconds> <path> | close recorder|floor");
}
