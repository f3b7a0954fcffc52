#include "text/program_text.h"

#include <windows.h>

namespace {

// Zero-initialised: Shift-JIS until the choice is made.
bool g_textsInUtf8 = false;

}  // namespace

void ChooseProgramTextEncoding() {
    g_textsInUtf8 = GetACP() == CP_UTF8;
}

ProgramText::operator const char*() const {
    return g_textsInUtf8 ? reinterpret_cast<const char*>(utf8) : shiftJis;
}
