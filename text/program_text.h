#pragma once

#include <cstddef>

// A text the program shows, held in the two encodings its process may have: its
// Shift-JIS bytes (code page 932), and the same text in UTF-8, which the manifest asks for and
// Windows 10 from version 1903 on and Windows 11 give. An older system ignores the request and
// keeps its own code page; there the program shows exactly its Shift-JIS bytes, as it always has.
struct ProgramText {
    const char* shiftJis;
    const char8_t* utf8;

    // The text in the encoding chosen at start-up. A conversion rather than a call, so that a text
    // goes wherever a narrow text of the platform's "A" functions goes.
    operator const char*() const;

    // Bytes of the longer form with its terminator, for the buffers sized at compile time.
    constexpr size_t LongerSize() const { return Max(Length(shiftJis), Length(utf8)) + 1; }

private:
    template <typename Char>
    static constexpr size_t Length(const Char* text) {
        size_t length = 0;
        while (text[length] != 0) {
            ++length;
        }
        return length;
    }
    static constexpr size_t Max(size_t a, size_t b) { return a > b ? a : b; }
};

// Both forms from one literal of the UTF-8 source: the compiler stores the plain literal as
// Shift-JIS and the u8 one as UTF-8, so the two can never say different things.
#define PROGRAM_TEXT(literal) \
    ProgramText {             \
        literal, u8##literal  \
    }

// Chooses the form every text gives from now on: UTF-8 where the process's ANSI code page is
// UTF-8 (65001), Shift-JIS in every other. Called once, before the first text is shown; until
// then the texts are Shift-JIS.
void ChooseProgramTextEncoding();

// Where the process's code page is UTF-8, ends a text that a read cut short at its last whole
// character: the system fills a narrow buffer byte by byte and may leave the first bytes of a
// character that did not fit, which Windows would turn into U+FFFD in a file name. In Shift-JIS
// the text stays as read.
void EndAtWholeCharacter(char* text);

// The length of text without the first bytes of a UTF-8 character cut short at its end. Stray
// continuation bytes are not a character's beginning and stay.
size_t WholeUtf8Length(const char* text);
