#include "app/format_list.h"

#include "app/control_table.h"
#include "app/globals.h"

// Every text holds two commas, which the reading of the selection relies on. The last one has two
// blanks after its first comma.
const std::array<const char*, 8> kFormatPresets = {
    "48000Hz, 16Bit, 2ch (DVD音質)",      "44100Hz, 16Bit, 2ch (CD音質)", "44100Hz, 16Bit, 1ch",
    "32000Hz, 16Bit, 2ch (FMラジオ品質)", "22050Hz, 16Bit, 2ch",          "22050Hz, 16Bit, 1ch",
    "11025Hz, 16Bit, 1ch (AMラジオ品質)", "11025Hz,  8Bit, 1ch (糞品質)",
};

void FillFormatList() {
    g_formatCombo->window = GetDlgItem(g_mainWindow, ID_FORMAT_COMBO);
    for (const char* preset : kFormatPresets) {
        g_formatCombo->AddString(preset);
    }
    g_formatCombo->SetCurSel(kInitialPresetIndex);
}
