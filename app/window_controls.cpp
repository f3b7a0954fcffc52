#include "app/window_controls.h"

#include <cstring>

#include "app/globals.h"
#include "text/program_text.h"

HWND MainWindowControl(int id) {
    return GetDlgItem(g_mainWindow, id);
}

void ReadControlText(int id, char (&text)[kWindowTextSize]) {
    memset(text, 0, sizeof(text));
    GetWindowTextA(MainWindowControl(id), text, kEditReadLimit);
    EndAtWholeCharacter(text);
}

void SetControlText(int id, const char* text) {
    SetWindowTextA(MainWindowControl(id), text);
}

bool IsBoxChecked(int id) {
    return SendMessageA(MainWindowControl(id), BM_GETCHECK, 0, 0) != 0;
}
