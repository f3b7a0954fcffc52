#include "app/main_window.h"

#include "app/commands.h"
#include "app/control_table.h"
#include "app/format_list.h"
#include "app/globals.h"
#include "app/tick.h"

namespace {

// Stores the window first, since the controls and the format list are reached through it.
LRESULT OnCreate(HWND window) {
    g_mainWindow = window;
    CreateControls(window, g_uiFont);
    FillFormatList();
    return 0;
}

// Closing asks nothing, also during a take: the take is saved at shutdown, after the loop.
LRESULT OnClose(HWND window) {
    DestroyWindow(window);
    return 0;
}

// The font and the brush go with the window; the quit ends the loop, and a running take is saved
// after it.
LRESULT OnDestroy() {
    DeleteObject(g_uiFont);
    DeleteObject(g_backgroundBrush);
    PostQuitMessage(0);
    return 0;
}

// When the session ends (log off, shut down, restart) the process is ended as soon as this
// returns, without WM_DESTROY, so the take is finished here. A cancelled end changes nothing.
LRESULT OnEndSession(bool ending) {
    if (ending) {
        FinishTakeForSessionEnd();
    }
    return 0;
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
        case WM_CREATE:
            return OnCreate(window);
        case WM_CLOSE:
            return OnClose(window);
        case WM_DESTROY:
            return OnDestroy();
        case WM_COMMAND:
            OnCommand(wParam);
            return 0;
        case WM_TIMER:
            OnTick(wParam);
            return 0;
        case WM_ENDSESSION:
            return OnEndSession(wParam != 0);
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}
