#include <windows.h>

#include "app/application.h"

// Takes no command line and always ends with exit code 0.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (StartApplication()) {
        RunMessageLoop();
    } else {
        ReportStartFailure();
    }
    ShutDownApplication();
    ExitProcess(0);
}

// The process starts here rather than in the C runtime's start-up, which the program does not
// need: it reads no command line, uses no thread-local storage, has no constructors to run before
// WinMain (its globals are constant-initialised) and ends through ExitProcess. Leaving that code out
// is a third of the program's size. The stack is aligned here, as the runtime's start-up would.
extern "C" __attribute__((force_align_arg_pointer)) void WinMainCRTStartup() {
    WinMain(GetModuleHandleA(nullptr), nullptr, GetCommandLineA(), SW_SHOWDEFAULT);
}
