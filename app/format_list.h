#pragma once

#include <array>

#include "text/program_text.h"

// The recording formats offered in the format list, in list order. The texts alone carry the
// numbers: a take reads its rate, bits and channels back from the selected text.
extern const std::array<ProgramText, 8> kFormatPresets;

// The preset selected when the list is filled: "44100Hz, 16Bit, 2ch (CD音質)".
constexpr int kInitialPresetIndex = 1;

// Binds g_formatCombo to the main window's format list, adds the presets in order and selects
// kInitialPresetIndex.
void FillFormatList();
