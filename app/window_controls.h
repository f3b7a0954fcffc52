#pragma once

#include <windows.h>

#include <cstddef>

// Every text the window reads (an edit's, the selected preset's) goes into a buffer of this size.
constexpr size_t kWindowTextSize = 304;
// Edits are read with this limit: at most 299 bytes and the terminator. The edits themselves
// accept longer text; the rest is not read.
constexpr int kEditReadLimit = 300;
static_assert(kEditReadLimit <= static_cast<int>(kWindowTextSize));

// Handlers reach every control by its identifier through the main window.
HWND MainWindowControl(int id);

// Reads at most kEditReadLimit - 1 bytes of the control's text; the buffer is zeroed first.
void ReadControlText(int id, char (&text)[kWindowTextSize]);

void SetControlText(int id, const char* text);

// True when the check box reports anything but unchecked.
bool IsBoxChecked(int id);
