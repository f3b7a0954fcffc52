#include "app/tick.h"

#include <cstdint>

#include "app/commands.h"
#include "app/control_table.h"
#include "app/globals.h"
#include "app/ui_texts.h"
#include "app/window_controls.h"
#include "text/integer_conversion.h"
#include "text/text_to_number.h"

namespace {

// The count's text with "%d" (2 bytes) replaced by the longest signed 32-bit number (11 bytes): 21
// bytes in Shift-JIS and 25 in UTF-8, the terminator counted.
constexpr size_t kStatusBufferSize = 32;
static_assert(kStatusRecordingSeconds.LongerSize() - 2 + 11 <= kStatusBufferSize);

// The limit in whole seconds from the seconds edit: toward zero to signed 64 bits (0 outside that
// range), of which the low 32 bits are kept. So 2.9 gives 2, 4294967296 gives 0 (no automatic
// stop) and -1 gives 4294967295, beyond any take.
uint32_t ReadAutoStopLimit() {
    char text[kWindowTextSize];
    ReadControlText(ID_SECONDS_EDIT, text);
    return LowBits32(TruncateToInt64(TextToNumber(text)));
}

}  // namespace

void OnTick(WPARAM /*timerId*/) {
    // The edit is greyed while the box is checked; its text is read all the same.
    if (IsBoxChecked(ID_AUTOSTOP_CHECK)) {
        uint32_t limit = ReadAutoStopLimit();
        uint32_t elapsed = g_recorder->ElapsedSeconds();
        // Strictly past the limit: with N seconds the take ends at the first tick that finds N + 1.
        if (limit != 0 && limit < elapsed) {
            OnStopClick();
            return;
        }
    }
    // A take whose input has died is ended here, with a word, rather than at a stop that would
    // never return; a take too long for one file goes on in the next one. After the automatic
    // stop, so that a take due to end does not first begin a file of nothing.
    if (g_recorder->WatchTake()) {
        ShowRecorderState();
        return;
    }

    char status[kStatusBufferSize];
    wsprintfA(status, kStatusRecordingSeconds, static_cast<int>(g_recorder->ElapsedSeconds()));
    SetControlText(ID_STATUS_PANEL, status);
}
