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
