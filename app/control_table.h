#pragma once

#include <windows.h>

#include <array>

#include "text/program_text.h"

// Identifiers of the main window's controls and of its one timer.
constexpr int ID_RECORD_BUTTON = 1000;
constexpr int ID_STOP_BUTTON = 1001;
constexpr int ID_FILENAME_EDIT = 1002;
constexpr int ID_AUTOSTOP_CHECK = 1003;
constexpr int ID_FORMAT_COMBO = 1004;
constexpr int ID_FORMAT_LABEL = 1005;
constexpr int ID_BROWSE_BUTTON = 1006;
constexpr int ID_FILENAME_LABEL = 1007;
constexpr int ID_SECONDS_EDIT = 1008;
constexpr int ID_SECONDS_LABEL = 1009;
constexpr int ID_STATUS_PANEL = 1010;

constexpr UINT_PTR ID_TICK_TIMER = 1;

// One child control of the main window; positions and sizes are in client pixels.
struct ControlSpec {
    int id;
    const char* className;
    ProgramText text;
    DWORD style;
    DWORD exStyle;
    int x;
    int y;
    int width;
    int height;
};

// The eleven controls in creation order.
extern const std::array<ControlSpec, 11> kControls;

// Creates every control of kControls as a child of parent, in table order, and gives each the
// font (without redrawing).
void CreateControls(HWND parent, HFONT font);
