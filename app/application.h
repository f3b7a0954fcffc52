#pragma once

// Start-up: the font and the brush, the classes "NORMALDLG" and "NORMAL0", g_formatCombo and
// g_recorder, then the main window, whose creation builds the controls and fills the format list.
// Returns false when the main window could not be made; the loop would then wait for a window
// that does not exist, so the caller skips it and shuts down.
bool StartApplication();

// Dispatches the thread's messages until WM_QUIT, or until GetMessageA fails.
void RunMessageLoop();

// Tells the user that the program cannot start (through the recorder's error handler).
void ReportStartFailure();

// Destroys g_formatCombo, then g_recorder, which saves a take that is still running. The process
// ends right after, which lets go of the classes, and of the font and brush if no window did.
void ShutDownApplication();
