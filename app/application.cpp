#include "app/application.h"

#include <windows.h>

#include "app/globals.h"
#include "app/main_window.h"
#include "app/ui_texts.h"

#ifndef _WIN64
static_assert(sizeof(WNDCLASSEXA) == 48, "the 32-bit window class record is 48 bytes");
#endif

namespace {

constexpr DWORD kMainWindowStyle = WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr int kMainWindowWidth = 380;
constexpr int kMainWindowHeight = 214;

static_assert(kMainWindowStyle == 0x10CB0000);

// The procedure of "NORMALDLG": no window of that class is made, so it only passes messages on.
LRESULT CALLBACK PassThroughWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

// Where the face itself is missing, the Shift-JIS character set still makes the font mapper take
// a Japanese face of that height.
HFONT CreateUiFont() {
    return CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_STROKE_PRECIS,
                       CLIP_STROKE_PRECIS, DRAFT_QUALITY, FF_SWISS | DEFAULT_PITCH, kUiFontFace);
}

// A failed registration is not looked at here: it shows as a main window that cannot be made.
void RegisterWindowClass(const char* className, WNDPROC procedure) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof(WNDCLASSEXA);
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = procedure;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = g_backgroundBrush;
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = className;
    windowClass.hIconSm = LoadIconA(nullptr, IDI_WINLOGO);
    RegisterClassExA(&windowClass);
}

// Visible from its creation; WM_CREATE stores the handle in g_mainWindow.
HWND CreateMainWindow() {
    return CreateWindowExA(0, kMainClassName, kMainWindowTitle, kMainWindowStyle, CW_USEDEFAULT,
                           CW_USEDEFAULT, kMainWindowWidth, kMainWindowHeight, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

}  // namespace

bool StartApplication() {
    ChooseProgramTextEncoding();
    g_uiFont = CreateUiFont();
    g_backgroundBrush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    RegisterWindowClass(kDialogClassName, PassThroughWindowProc);
    g_formatCombo.Make();
    g_recorder.Make();
    RegisterWindowClass(kMainClassName, MainWindowProc);

    // A window that our procedure did not create (the class name taken by another procedure) is
    // no main window: it has no controls and nothing would ever end the loop for it.
    HWND window = CreateMainWindow();
    if (window == nullptr || window != g_mainWindow) {
        if (window != nullptr) {
            DestroyWindow(window);
        }
        return false;
    }
    return true;
}

void RunMessageLoop() {
    // Messages do not go through IsDialogMessageA, so the keyboard does not move the focus.
    MSG message;
    for (;;) {
        BOOL result = GetMessageA(&message, nullptr, 0, 0);
        if (result == 0 || result == -1) {
            return;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void ReportStartFailure() {
    g_recorder->onError(kMainWindowFailedMessage);
}

void ShutDownApplication() {
    g_formatCombo.Destroy();
    g_recorder.Destroy();
}
