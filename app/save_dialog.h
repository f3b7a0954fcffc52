#pragma once

#include <windows.h>
#include <commdlg.h>

#include "app/window_controls.h"

// Puts "default.wav" into the zeroed file buffer and fills record for GetSaveFileNameA: the file
// comes back with at most 299 bytes, as an edit's text does; no owner,
// so the window and its ticks go on while the dialog is open; the wav and all-files filters;
// the system's title and initial folder; no flags, so no extension is added, an existing file is
// taken without a question (a free name is chosen when the take is saved) and the dialog may move
// the current folder.
void PrepareSaveDialog(OPENFILENAMEA& record, char (&file)[kWindowTextSize]);

// GetSaveFileNameA, with the library that holds it loaded on first use. FALSE, as for a cancel,
// when the library cannot be loaded.
BOOL ShowSaveDialog(OPENFILENAMEA& record);
