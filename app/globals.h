#pragma once

#include <windows.h>

#include "app/combo_box_ref.h"
#include "app/start_up_object.h"
#include "recorder/wave_recorder.h"

// The program's process-wide objects. The two objects are made and destroyed explicitly, at fixed
// points of start-up and shutdown, so that their order is the program's and not the linker's.
extern HWND g_mainWindow;
extern HFONT g_uiFont;
extern HBRUSH g_backgroundBrush;
extern StartUpObject<ComboBoxRef> g_formatCombo;
extern StartUpObject<WaveRecorder> g_recorder;
