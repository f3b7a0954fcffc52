#pragma once

#include <windows.h>

// A thin handle on a combo box control. Making and dropping one touches no window: the control
// itself goes with its parent.
class ComboBoxRef {
public:
    // Null until the list is bound to its control.
    HWND window = nullptr;

    LRESULT AddString(const char* text) const;
    LRESULT SetCurSel(int index) const;
    // The selected index, or CB_ERR when nothing is selected.
    int GetCurSel() const;
    // Returns the item's length as CB_GETLBTEXTLEN reports it (CB_ERR for a bad index) and, when
    // buffer is not null, copies the item into it. The caller makes sure the item fits, for
    // instance by asking with a null buffer first.
    int GetLBText(int index, char* buffer) const;
};
