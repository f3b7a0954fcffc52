#include "app/selected_format.h"

#include <windows.h>

#include <cstring>

#include "app/format_list.h"
#include "app/globals.h"
#include "app/window_controls.h"
#include "text/integer_conversion.h"
#include "text/text_to_number.h"

namespace {

uint16_t ParseField(const char* text) {
    return LowBits16(TruncateToInt32(TextToNumber(text)));
}

// Copies the selected item into text; false when nothing is selected or the item would not fit.
bool CopySelectedText(char (&text)[kWindowTextSize]) {
    int index = g_formatCombo->GetCurSel();
    if (index == CB_ERR) {
        return false;
    }
    int length = g_formatCombo->GetLBText(index, nullptr);
    if (length < 0 || static_cast<size_t>(length) >= sizeof(text)) {
        return false;
    }
    g_formatCombo->GetLBText(index, text);
    return true;
}

// The cursor moves past two commas; without them it would step past the text.
bool HasTwoCommas(const char* text) {
    const char* first = strstr(text, ",");
    return first != nullptr && strstr(first + 1, ",") != nullptr;
}

}  // namespace

void ReadSelectedFormat(RecordingFormat& format) {
    char text[kWindowTextSize] = {};
    if (!CopySelectedText(text) || !HasTwoCommas(text)) {
        lstrcpynA(text, kFormatPresets[kInitialPresetIndex], static_cast<int>(sizeof(text)));
    }

    const char* p = text;
    format.sampleRate = ParseField(p);
    p = strstr(p, ",") + 1;
    format.bitsPerSample = ParseField(p);
    p = strstr(p, ",") + 1;
    format.channels = ParseField(p);
}
