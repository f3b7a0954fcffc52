#include "app/combo_box_ref.h"

LRESULT ComboBoxRef::AddString(const char* text) const {
    return SendMessageA(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

LRESULT ComboBoxRef::SetCurSel(int index) const {
    return SendMessageA(window, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int ComboBoxRef::GetCurSel() const {
    return static_cast<int>(SendMessageA(window, CB_GETCURSEL, 0, 0));
}

int ComboBoxRef::GetLBText(int index, char* buffer) const {
    int length = static_cast<int>(SendMessageA(window, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0));
    if (buffer != nullptr) {
        SendMessageA(window, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer));
    }
    return length;
}
