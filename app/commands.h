#pragma once

#include <windows.h>

// Hands a WM_COMMAND to its handler: only a click (BN_CLICKED) of the start, stop, auto-stop and
// browse controls runs one; every other identifier and notification is ignored.
void OnCommand(WPARAM wParam);

// Starts a take to the path in the file-name box (or the default path, which is then shown in the
// box) in the selected format; does nothing while a take runs.
void OnRecordClick();

// Stops and saves the take, if any; the status then reads "停止" and the tick timer is gone.
void OnStopClick();

// Greys the seconds edit while the automatic stop is armed and enables it otherwise.
void OnAutoStopClick();

// The session ends and the process is ended right after: a running take is stopped, saved and the
// device closed at once, without a box (none could be answered), also from inside a box of a
// start or stop that is still running.
void FinishTakeForSessionEnd();

// The status panel and the tick timer follow the recorder: "録音中" with the timer running while a
// take runs, "停止" with no timer otherwise.
void ShowRecorderState();

// Lets the user pick the output file; OK puts the chosen path into the file-name box.
void OnBrowseClick();
