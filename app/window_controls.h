#pragma once

#include <windows.h>

#include "recorder/file_naming.h"

// Texts are read from the edits with this limit: at most 299 bytes and the terminator, into a
// buffer of kPathBufferSize bytes. The edits themselves accept longer text; the rest is not read.
constexpr int kEditReadLimit = 300;

// Handlers reach every control by its identifier through the main window.
HWND MainWindowControl(int id);

// Reads at most kEditReadLimit - 1 bytes of the control's text; the buffer is zeroed first.
void ReadControlText(int id, char (&text)[kPathBufferSize]);

void SetControlText(int id, const char* text);

// True when the check box reports anything but unchecked.
bool IsBoxChecked(int id);
