#include "text/text_to_number.h"

#include <bit>
#include <cstdint>
#include <limits>
#include <string>

#include <gtest/gtest.h>

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Compared bit for bit, so that negative zero is not zero and a sum rounded one way is not the
// double nearest to the text.
void ExpectSameDouble(const std::string& text, double expected) {
    const double actual = TextToNumber(text.c_str());
    EXPECT_EQ(std::bit_cast<uint64_t>(actual), std::bit_cast<uint64_t>(expected))
        << "text \"" << (text.size() > 60 ? text.substr(0, 60) + "..." : text) << "\" (" << text.size()
        << " bytes) gave " << ::testing::PrintToString(actual) << ", expected "
        << ::testing::PrintToString(expected);
}

struct Row {
    const char* text;
    double expected;
};

TEST(TextToNumber, ConvertsEachFormAsTheTableSays) {
    const Row rows[] = {
        {"", 0.0},
        {" 16Bit", 16.0},
        {"2ch", 2.0},
        {"44100Hz, 16Bit, 2ch (CD音質)", 44100.0},
        {"-3.5", -3.5},
        {"  -5", -5.0},
        {"+7", 7.0},
        {"-.5", -0.5},
        {".5", 0.5},
        {"5.", 5.0},
        {"1.2.3", 1.2},
        {"1e3", 1.0},
        {"3,5", 3.0},
        {"4 2", 4.0},
        {" \t 42", 42.0},
        {"\n42", 0.0},
        {"abc", 0.0},
        {"0x1F", 0.0},
        {"-", -0.0},
        {"- 5", -0.0},
        {"+-5", 0.0},
        {"&HFF", 255.0},
        {"&hff", 255.0},
        {"&HfF", 255.0},
        {"&O17", 15.0},
        {"&o17", 15.0},
        {"  &h1f", 31.0},
        {"&H1G", 1.0},
        {"&O78", 7.0},
        {"&O8", 0.0},
        {"&", 0.0},
        {"&H", 0.0},
        {"&17", 0.0},
        {"&H-1", 0.0},
        {"&h 10", 0.0},
        {"-&H10", -0.0},
        {"&H7FFFFFFFFFFFFFFF", 9223372036854775808.0},
        {"&H8000000000000000", -9223372036854775808.0},
        {"&HF000000000000000", -1152921504606846976.0},
        {"&HFFFFFFFFFFFFFFFF", 0.0},
        {"&H1123456789ABCDEF0", 1311768467463790336.0},
        {"&H123456789ABCDEF0", 1311768467463790336.0},
        {"&H10000000000000000", 0.0},
        {"&O1000000000000000000000", -9223372036854775808.0},
        {"&O2000000000000000000000", 0.0},
        // The digit-by-digit sum, one unit in the last place above the nearest double (strtod's).
        {"3.14159", 3.1415900000000003},
        {"12345678901234567890", 12345678901234567168.0},
    };
    for (const Row& row : rows) {
        ExpectSameDouble(row.text, row.expected);
    }
}

// Only the space and the tab are blanks, and any byte above 0x7F ends the number: the lead byte of
// a full-width character is not a blank, a digit or a base letter.
TEST(TextToNumber, OtherBlanksAndFullWidthCharactersEndTheNumber) {
    const Row rows[] = {
        {"\r42", 0.0}, {"\v42", 0.0},  {"　5", 0.0},   {"１２", 0.0}, {"-　5", -0.0}, {"12　34", 12.0},
        {"３", 0.0},   {"&Ｈ10", 0.0}, {"&H1表", 1.0}, {"&hＡ", 0.0}, {"7秒", 7.0},
    };
    for (const Row& row : rows) {
        ExpectSameDouble(row.text, row.expected);
    }
}

// The radix form upper-cases a copy of the text; the caller's own bytes stay as they were.
TEST(TextToNumber, LeavesTheCallersTextUnchanged) {
    std::string text = "&h" + std::string(4990, '0') + "ff";
    text += std::string(5000, 'x');  // lower-case letters after the digits as well
    const std::string before = text;
    ExpectSameDouble(text, 255.0);
    EXPECT_TRUE(text == before) << "the caller's text was changed";

    char shortText[] = "&hff";
    EXPECT_EQ(TextToNumber(shortText), 255.0);
    EXPECT_STREQ(shortText, "&hff");
}

// Far longer than any buffer a text box fills; the conversion must read it whole and no further.
TEST(TextToNumber, ReadsLongTextsWhole) {
    ExpectSameDouble("&H" + std::string(100000, '0') + "1f", 31.0);
    ExpectSameDouble("&o" + std::string(100000, '0') + "17", 15.0);
    // Only the last 16 digits count, however many come before them.
    ExpectSameDouble("&H" + std::string(100000, 'F') + "100000000000000", -1080863910568919040.0);
    ExpectSameDouble(std::string(100000, ' ') + "&HFF", 255.0);
    ExpectSameDouble(std::string(100000, '\t') + "-12.5", -12.5);
}

// Beyond about 308 integer digits the multiplier is +infinity: leading zeros still add nothing
// (not 0 x infinity, which is NaN), and a run whose value is too large for a double gives infinity.
TEST(TextToNumber, IntegerPartsBeyondTheDoubleRange) {
    const std::string zeros309(309, '0');
    const std::string zeros400(400, '0');
    const std::string nines400(400, '9');
    ExpectSameDouble(zeros309 + "1", 1.0);
    ExpectSameDouble(zeros400 + "1", 1.0);
    ExpectSameDouble("-" + zeros400 + "1", -1.0);
    ExpectSameDouble(zeros400, 0.0);
    ExpectSameDouble("-" + zeros400, -0.0);
    ExpectSameDouble(zeros400 + ".5", 0.5);
    ExpectSameDouble(zeros400 + "12.25abc", 12.25);
    // The largest power of ten a double holds is still finite (the multiplier is rounded on the way).
    ExpectSameDouble("1" + std::string(308, '0'), 0x1.1ccf385ebc89fp+1023);
    ExpectSameDouble("1" + std::string(309, '0'), kInfinity);
    ExpectSameDouble(std::string(309, '9'), kInfinity);
    ExpectSameDouble(nines400, kInfinity);
    ExpectSameDouble("-" + nines400, -kInfinity);
    ExpectSameDouble("1" + zeros400, kInfinity);
    ExpectSameDouble("+" + nines400 + ".75", kInfinity);
    ExpectSameDouble("-" + nines400 + ".75", -kInfinity);
    ExpectSameDouble(nines400 + "." + nines400, kInfinity);
}

// A fraction longer than the range of the divisor adds zero from there on, never NaN.
TEST(TextToNumber, VeryLongFractions) {
    ExpectSameDouble("0." + std::string(400, '0') + "1", 0.0);
    ExpectSameDouble("-." + std::string(400, '0') + "1", -0.0);
    ExpectSameDouble("0." + std::string(400, '1'), 0.11111111111111112);
}

}  // namespace
