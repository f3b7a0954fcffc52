#include <windows.h>

#include "app/application.h"
#include "recorder/system_library.h"

namespace {

// Every library the process loads by name from now on is searched in the system folder, also those
// that system libraries load by name (winmm its waveform-audio driver): a file of such a name beside
// the program or in the current folder is never run. Besides it, only the folders that a library of
// the process adds for itself (AddDllDirectory, SetDllDirectory) are searched: an input method or a
// shell extension of the save dialog, loaded from its own folder by full path, may add that folder
// to find its companions, and would be half loaded without it. Nothing of the program adds one.
// Looked up, not imported: Windows 7 and Vista without their loader update lack the function, and
// the program must still start there.
void KeepPlantedLibrariesOut() {
    using SetDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const SetDirectoriesFunction setDirectories =
        SystemFunction<SetDirectoriesFunction>("kernel32.dll", "SetDefaultDllDirectories");
    if (setDirectories) {
        setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_USER_DIRS);
    }
}

}  // namespace

// Takes no command line and always ends with exit code 0.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    KeepPlantedLibrariesOut();
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
