// Keeps Wine's desktop process up for a whole test run: one hidden window, held until the
// process is ended.
//
// Wine starts its desktop process with the first window of a session, handing it the standard
// error of the program that made that window, and ends it a moment after the last window of any
// program has gone. Started by a test program, it kept that program's output open for as long
// as other test programs had windows, and ctest waited for the end of the output (measured: a
// test of 0.7 s counted as 19 s, and as 120 s in a full run). Started by this holder first, with
// its output going nowhere, the desktop holds nobody's output. The benchmark holds it too: two
// programs started from Linux while the desktop is being started or ended can wait for each other
// for good (measured: a program and the desktop both stuck).

#include <windows.h>

#include <cstdio>

int main() {
    HWND window = CreateWindowExA(0, "STATIC", "desktop holder", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  nullptr, nullptr);
    if (!window) {
        fprintf(stderr, "desktop_holder: no window to hold the desktop with\n");
        return 1;
    }
    printf("holding\n");
    fflush(stdout);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        DispatchMessageA(&message);
    }
    return 0;
}
