#include "app/format_list.h"

#include "app/control_table.h"
#include "app/globals.h"

// Every text holds two commas, which the reading of the selection relies on. The last one has two
// blanks after its first comma. What is read (the numbers, blanks and commas before the Japanese)
// is ASCII, the same bytes in Shift-JIS and UTF-8.
const std::array<ProgramText, 8> kFormatPresets = {
    PROGRAM_TEXT("48000Hz, 16Bit, 2ch (DVD音質)"),
    PROGRAM_TEXT("44100Hz, 16Bit, 2ch (CD音質)"),
    PROGRAM_TEXT("44100Hz, 16Bit, 1ch"),
    PROGRAM_TEXT("32000Hz, 16Bit, 2ch (FMラジオ品質)"),
    PROGRAM_TEXT("22050Hz, 16Bit, 2ch"),
    PROGRAM_TEXT("22050Hz, 16Bit, 1ch"),
    PROGRAM_TEXT("11025Hz, 16Bit, 1ch (AMラジオ品質)"),
    PROGRAM_TEXT("11025Hz,  8Bit, 1ch (糞品質)"),
};

void FillFormatList() {
    g_formatCombo->window = GetDlgItem(g_mainWindow, ID_FORMAT_COMBO);
    for (const ProgramText& preset : kFormatPresets) {
        g_formatCombo->AddString(preset);
    }
    g_formatCombo->SetCurSel(kInitialPresetIndex);
}
