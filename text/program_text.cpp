#include "text/program_text.h"

#include <windows.h>

#include <cstring>

namespace {

// Zero-initialised: Shift-JIS until the choice is made.
bool g_textsInUtf8 = false;

}  // namespace

void ChooseProgramTextEncoding() {
    g_textsInUtf8 = GetACP() == CP_UTF8;
}

void EndAtWholeCharacter(char* text) {
    if (g_textsInUtf8) {
        text[WholeUtf8Length(text)] = '\0';
    }
}

size_t WholeUtf8Length(const char* text) {
    const size_t length = strlen(text);
    // The last character begins at its lead byte: the first byte, going back over at most three
    // continuation bytes (10xxxxxx), that is not one.
    size_t start = length;
    while (start > 0 && length - start < 4) {
        --start;
        if ((static_cast<unsigned char>(text[start]) & 0xC0) != 0x80) {
            break;
        }
    }
    const unsigned char lead = static_cast<unsigned char>(text[start]);
    const size_t bytes = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return start < length && length - start < bytes ? start : length;
}

ProgramText::operator const char*() const {
    return g_textsInUtf8 ? reinterpret_cast<const char*>(utf8) : shiftJis;
}
