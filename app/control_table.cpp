#include "app/control_table.h"

#include "app/ui_texts.h"

namespace {
constexpr DWORD kVisibleChild = WS_CHILD | WS_VISIBLE;
}

// Each row: identifier, class, text; then style, extended style, x, y, width, height.
// No control has WS_TABSTOP or WS_GROUP: the loop does not pass messages through
// IsDialogMessageA, so the keyboard never moves the focus anyway. The combo box's height includes
// its drop-down list.
// clang-format off
const std::array<ControlSpec, 11> kControls = {{
    {ID_RECORD_BUTTON, "BUTTON", kRecordButtonText,
     kVisibleChild | BS_PUSHBUTTON, 0, 5, 12, 70, 35},
    {ID_STOP_BUTTON, "BUTTON", kStopButtonText,
     kVisibleChild | BS_PUSHBUTTON, 0, 93, 12, 88, 33},
    {ID_FILENAME_EDIT, "EDIT", kEmptyText,
     kVisibleChild | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 70, 95, 228, 21},
    {ID_AUTOSTOP_CHECK, "BUTTON", kAutoStopCheckText,
     kVisibleChild | BS_AUTOCHECKBOX, 0, 14, 130, 69, 15},
    {ID_FORMAT_COMBO, "COMBOBOX", kEmptyText,
     kVisibleChild | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 81, 58, 225, 113},
    {ID_FORMAT_LABEL, "STATIC", kFormatLabelText,
     kVisibleChild | SS_LEFT, 0, 7, 61, 63, 16},
    {ID_BROWSE_BUTTON, "BUTTON", kBrowseButtonText,
     kVisibleChild | BS_PUSHBUTTON, 0, 303, 95, 32, 19},
    {ID_FILENAME_LABEL, "STATIC", kFileNameLabelText,
     kVisibleChild | SS_LEFT, 0, 7, 100, 54, 16},
    {ID_SECONDS_EDIT, "EDIT", kEmptyText,
     kVisibleChild | ES_NUMBER, WS_EX_CLIENTEDGE, 14, 153, 83, 19},
    {ID_SECONDS_LABEL, "STATIC", kSecondsLabelText,
     kVisibleChild | SS_LEFT, 0, 107, 157, 21, 12},
    {ID_STATUS_PANEL, "STATIC", kStatusStopped,
     kVisibleChild | SS_LEFT, WS_EX_STATICEDGE, 147, 143, 179, 21},
}};
// clang-format on

void CreateControls(HWND parent, HFONT font) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    for (const ControlSpec& control : kControls) {
        CreateWindowExA(control.exStyle, control.className, control.text, control.style, control.x, control.y,
                        control.width, control.height, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance, nullptr);
        SendMessageA(GetDlgItem(parent, control.id), WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
    }
}
