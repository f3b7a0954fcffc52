#pragma once

#include <windows.h>

#include <optional>

#include "app/combo_box_ref.h"
#include "recorder/wave_recorder.h"

// The program's process-wide objects. The two objects are made and destroyed explicitly, at fixed
// points of start-up and shutdown, so that their order is the program's and not the linker's.
extern HWND g_mainWindow;
extern HFONT g_uiFont;
extern HBRUSH g_backgroundBrush;
extern std::optional<ComboBoxRef> g_formatCombo;
extern std::optional<WaveRecorder> g_recorder;
