#pragma once

#include <windows.h>

// The half-second tick: ends a take whose input has died and hands a long take over to its next
// file; stops the take once the armed automatic-stop limit has been passed, otherwise shows
// "録音中 N秒". Every WM_TIMER of the main window is a tick, whatever its timerId.
void OnTick(WPARAM timerId);
