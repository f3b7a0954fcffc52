#include <windows.h>

#include <gtest/gtest.h>

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
