#include "tests/support/guarded_page.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// What the property tests rest on: the placed text ends at the guard, and a read one byte past it
// is noticed, every time, not only the first.
TEST(GuardedPage, NoticesEveryReadOnePastThePlacedText) {
    GuardedPage page(300);
    const std::string texts[] = {"", "C:\\rec\\take.wav", std::string(299, 'x')};
    for (const std::string& text : texts) {
        SCOPED_TRACE(text.size());
        const char* placed = page.PlaceText(text);
        ASSERT_EQ(placed + text.size() + 1, page.GuardStart());
        EXPECT_EQ(memcmp(placed, text.c_str(), text.size() + 1), 0);

        const volatile char* bytes = placed;
        EXPECT_EQ(bytes[text.size()], '\0');
        EXPECT_FALSE(page.Touched()) << "the terminator itself is readable";
        EXPECT_EQ(bytes[text.size() + 1], '\0') << "a caught read past the end sees zero";
        EXPECT_TRUE(page.Touched());
    }
}

TEST(GuardedPage, NoticesAWritePastThePlacedBytesAndClosesAgain) {
    GuardedPage page(16);
    char* placed = page.Place("abcd", 4);
    volatile char* bytes = placed;
    bytes[4] = 'x';
    EXPECT_TRUE(page.Touched());
    placed = page.Place("abcd", 4);
    EXPECT_FALSE(page.Touched());
    bytes = placed;
    EXPECT_EQ(bytes[4], '\0') << "the write past the end was cleared";
    EXPECT_TRUE(page.Touched());
}

TEST(GuardedBuffer, NoticesAWriteJustOutsideEitherEnd) {
    GuardedBuffer buffer(12);
    EXPECT_TRUE(buffer.GuardsIntact());
    EXPECT_TRUE(buffer.Untouched());
    EXPECT_FALSE(buffer.Terminated());

    buffer.Data()[0] = 'a';
    buffer.Data()[buffer.Size() - 1] = '\0';
    EXPECT_TRUE(buffer.GuardsIntact());
    EXPECT_FALSE(buffer.Untouched());
    EXPECT_TRUE(buffer.Terminated());

    buffer.Reset();
    buffer.Data()[buffer.Size()] = '\0';
    EXPECT_FALSE(buffer.GuardsIntact());

    buffer.Reset();
    *(buffer.Data() - 1) = 'a';
    EXPECT_FALSE(buffer.GuardsIntact());
}

}  // namespace
