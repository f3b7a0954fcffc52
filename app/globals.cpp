#include "app/globals.h"

HWND g_mainWindow = nullptr;
HFONT g_uiFont = nullptr;
HBRUSH g_backgroundBrush = nullptr;
constinit StartUpObject<ComboBoxRef> g_formatCombo;
constinit StartUpObject<WaveRecorder> g_recorder;
