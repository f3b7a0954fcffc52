#include "app/globals.h"

HWND g_mainWindow = nullptr;
HFONT g_uiFont = nullptr;
HBRUSH g_backgroundBrush = nullptr;
std::optional<ComboBoxRef> g_formatCombo;
std::optional<WaveRecorder> g_recorder;
