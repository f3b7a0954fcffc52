#pragma once

#include <windows.h>

// The window procedure of the class "NORMAL0": creation, closing, the commands and the tick, and
// the end of the session. Every other message goes to DefWindowProcA.
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
