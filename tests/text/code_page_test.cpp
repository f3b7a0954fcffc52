#include <windows.h>

#include <gtest/gtest.h>

#include "text/program_text.h"

// Every two-byte case in these tests depends on the process running with code page 932, where
// 0x95 starts a two-byte character (表 is 95 5C).
TEST(CodePage, TestProcessRunsWithShiftJis) {
    EXPECT_EQ(GetACP(), 932u);
    EXPECT_EQ(IsDBCSLeadByte(0x95), 1);
    EXPECT_EQ(IsDBCSLeadByte('\\'), 0);
}

// The sources are UTF-8 and the compiler stores narrow literals as Shift-JIS.
TEST(CodePage, LiteralsAreStoredAsShiftJis) {
    const char text[] = "表…";
    ASSERT_EQ(sizeof(text), 5u);
    EXPECT_EQ(static_cast<unsigned char>(text[0]), 0x95);
    EXPECT_EQ(static_cast<unsigned char>(text[1]), 0x5C);
    EXPECT_EQ(static_cast<unsigned char>(text[2]), 0x81);
    EXPECT_EQ(static_cast<unsigned char>(text[3]), 0x63);
}

// A read that fills its buffer may stop inside a character; in UTF-8 only the whole ones are kept.
TEST(CodePage, AUtf8TextCutShortEndsAtItsLastWholeCharacter) {
    const struct {
        const char* text;
        size_t whole;
    } rows[] = {
        {"", 0},
        {"take.wav", 8},
        {"\xE9\x8C\xB2", 3},       // 録 whole
        {"x\xE9", 1},              // 録 cut after one byte
        {"x\xE9\x8C", 1},          // and after two
        {"\xC3\xBC\xC3", 2},       // ü whole, then its lead byte alone
        {"\xF0\xA0\xAE\xB7", 4},   // 𠮷 whole
        {"\\\xF0\xA0\xAE", 1},     // 𠮷 cut after three bytes
        {"a\x80\x80\x80\x80", 5},  // stray continuation bytes begin nothing
    };
    for (const auto& row : rows) {
        EXPECT_EQ(WholeUtf8Length(row.text), row.whole) << row.text;
    }
}
