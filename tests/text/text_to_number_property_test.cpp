#include "text/text_to_number.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <string>

#include "tests/support/guarded_page.h"
#include "tests/support/random_case.h"

namespace {

using testing::AssertionFailure;
using testing::AssertionResult;
using testing::AssertionSuccess;

constexpr int kCases = 50000;
constexpr size_t kLongestText = 400;

// ---------------------------------------------------------------------------------------------
// Drawing texts

char OneOf(Random& random, const char* set) {
    return set[Below(random, strlen(set))];
}

std::string Blanks(Random& random) {
    std::string blanks;
    for (size_t count = Below(random, 4); count > 0; --count) {
        blanks += OneOf(random, " \t");
    }
    return blanks;
}

// Decimal digits and their value, kept exactly as an integer.
struct Digits {
    std::string text;
    uint64_t value = 0;
};

Digits DecimalDigits(Random& random, size_t count) {
    Digits digits;
    for (size_t i = 0; i < count; ++i) {
        const char digit = OneOf(random, "0123456789");
        digits.text += digit;
        digits.value = digits.value * 10 + static_cast<uint64_t>(digit - '0');
    }
    return digits;
}

// Bytes that end a number wherever they stand; "\x82" leads a full-width digit, "\x81" a
// full-width space.
constexpr const char* kDecimalEnders = "eExXhH,;:)/\n\r\x81\x82";

// What may follow a number: nothing, or a byte that ends it and then anything at all, digits,
// dots and signs included.
std::string Junk(Random& random, const char* enders) {
    if (Below(random, 4) == 0) {
        return "";
    }
    std::string junk(1, OneOf(random, enders));
    for (size_t count = Below(random, 9); count > 0; --count) {
        junk += Below(random, 2) == 0 ? OneOf(random, "0123456789.+-&HhOo ")
                                      : static_cast<char>(1 + Below(random, 255));
    }
    return junk;
}

std::string Sign(Random& random) {
    const size_t pick = Below(random, 3);
    return pick == 0 ? "" : pick == 1 ? "-" : "+";
}

double Signed(const std::string& sign, double magnitude) {
    return sign == "-" ? -magnitude : magnitude;
}

// ---------------------------------------------------------------------------------------------
// Running the cases

struct Case {
    std::string text;
    double expected = 0.0;
    // The largest difference allowed; 0 asks for the same bits, so that -0 is not +0.
    double tolerance = 0.0;
};

std::string Describe(double value) {
    char text[64];
    snprintf(text, sizeof(text), "%.17g (bits %016llX)", value,
             static_cast<unsigned long long>(std::bit_cast<uint64_t>(value)));
    return text;
}

AssertionResult Matches(const Case& c, double actual) {
    const bool ok = c.tolerance == 0.0
                        ? std::bit_cast<uint64_t>(actual) == std::bit_cast<uint64_t>(c.expected)
                        : std::fabs(actual - c.expected) <= c.tolerance;
    if (!ok) {
        return AssertionFailure() << "gave " << Describe(actual) << ", expected " << Describe(c.expected)
                                  << (c.tolerance == 0.0 ? "" : " within " + Describe(c.tolerance));
    }
    return AssertionSuccess();
}

// Converts each drawn text and has check judge the result (see ForEachRandomCase).
void ForEachRandomText(const std::function<Case(Random&)>& draw,
                       const std::function<AssertionResult(const Case&, double)>& check = Matches) {
    Case current;
    ForEachRandomCase(
        kCases, kLongestText + 1,
        [&](Random& random) {
            current = draw(random);
            return current.text;
        },
        [&](const char* placed, const std::string&) { return check(current, TextToNumber(placed)); });
}

// ---------------------------------------------------------------------------------------------
// Any bytes

// Anything from 0 to 400 bytes, half of them from the characters a number is made of: only read,
// never past the terminator, and never NaN (a run too long for a double gives infinity).
TEST(TextToNumberProperty, AnyBytesAreOnlyRead) {
    ForEachRandomText(
        [](Random& random) {
            Case c;
            const size_t length = Below(random, 2) == 0 ? Below(random, 65) : Below(random, kLongestText + 1);
            for (size_t i = 0; i < length; ++i) {
                c.text += Below(random, 2) == 0 ? OneOf(random, "0123456789+-.&HhOoAaFf \t")
                                                : static_cast<char>(1 + Below(random, 255));
            }
            return c;
        },
        [](const Case&, double actual) -> AssertionResult {
            if (std::isnan(actual)) {
                return AssertionFailure() << "gave NaN";
            }
            return AssertionSuccess();
        });
}

// ---------------------------------------------------------------------------------------------
// Decimal form

// Up to 15 digits: every digit times its power of ten and every partial sum stays below 2^53, so
// the result is the integer exactly.
TEST(TextToNumberProperty, DecimalIntegersAreExact) {
    ForEachRandomText([](Random& random) {
        const std::string sign = Sign(random);
        const Digits digits = DecimalDigits(random, Below(random, 16));
        // With no sign and no digits, a following "&" or sign would start a number of its own.
        const char* enders =
            (sign.empty() && digits.text.empty()) ? kDecimalEnders : "eExXhH,;:)/\n\r\x81\x82 &+-";
        Case c;
        c.text = Blanks(random) + sign + digits.text + Junk(random, enders);
        c.expected = Signed(sign, static_cast<double>(digits.value));
        return c;
    });
}

// A fraction of "5" or "0" followed by zeros: 5/10 and 0/10^k are exact, and an integer below
// 2^52 plus one half is exact too.
TEST(TextToNumberProperty, HalvesAreExact) {
    ForEachRandomText([](Random& random) {
        const std::string sign = Sign(random);
        const Digits digits = DecimalDigits(random, Below(random, 16));
        const char* const firstDigits[] = {"", "5", "0"};
        const size_t kind = Below(random, 3);
        const std::string fraction = firstDigits[kind] + std::string(Below(random, 6), '0');
        Case c;
        c.text = Blanks(random) + sign + digits.text + "." + fraction + Junk(random, ".eE,;)\x82");
        c.expected = Signed(sign, static_cast<double>(digits.value) + (kind == 1 ? 0.5 : 0.0));
        return c;
    });
}

// Any fraction of up to 15 digits after up to 15 integer digits. With u = 2^-53, each of the n
// digit quotients is off by at most u, and each of the n additions by at most u(|I| + 1), where
// I is the integer part: at most 2n·u(|I| + 1) in all. The expected value, I + F/10^n worked out
// from exact integers with two roundings, is off by at most 2u(|I| + 1). Allowing
// (2n + 3)·u(|I| + 1) leaves a margin and still catches any digit taken at the wrong weight.
TEST(TextToNumberProperty, FractionsStayWithinTheRoundingOfTheirDigits) {
    ForEachRandomText([](Random& random) {
        const std::string sign = Sign(random);
        const Digits whole = DecimalDigits(random, Below(random, 16));
        const size_t fractionLength = 1 + Below(random, 15);
        const Digits fraction = DecimalDigits(random, fractionLength);
        double scale = 1.0;  // 10^n, exact up to 10^22
        for (size_t i = 0; i < fractionLength; ++i) {
            scale *= 10.0;
        }
        const double wholeValue = static_cast<double>(whole.value);
        Case c;
        c.text = Blanks(random) + sign + whole.text + "." + fraction.text + Junk(random, ".eE,;)\x82");
        c.expected = Signed(sign, wholeValue + static_cast<double>(fraction.value) / scale);
        c.tolerance = static_cast<double>(2 * fractionLength + 3) * std::ldexp(wholeValue + 1.0, -53);
        return c;
    });
}

// ---------------------------------------------------------------------------------------------
// Radix form
//
// The value is the last 16 hexadecimal or last 22 octal digits read as a 64-bit two's-complement
// number, worked out here from the left with wrapping unsigned arithmetic. For the double sum to
// be that value exactly, the digits that count are nonzero only inside a window of 52 bits (13
// hexadecimal or 17 octal digits): every digit's term and every partial sum then has at most 53
// significant bits. Digits before the ones that count are drawn freely.

struct RadixForm {
    const char* letters;  // the base letter in either case
    const char* digits;   // every digit in either case
    unsigned base;
    size_t bitsPerDigit;
    size_t digitsThatCount;
    const char* enders;  // bytes that are no digit of the base
};

const RadixForm kHexadecimal = {"Hh", "0123456789ABCDEFabcdef", 16, 4, 16, "GgHhXxZz ,.-+&\n\x82"};
const RadixForm kOctal = {"Oo", "01234567", 8, 3, 22, "89GgOoXx ,.-+&\n\x82"};

unsigned DigitValue(char digit) {
    if (digit >= '0' && digit <= '9') {
        return static_cast<unsigned>(digit - '0');
    }
    return static_cast<unsigned>((digit | 0x20) - 'a' + 10);
}

// The run of digits, from 1 to 40 long.
std::string RadixRun(Random& random, const RadixForm& form) {
    const size_t windowDigits = 52 / form.bitsPerDigit;
    const size_t windowStart =
        Below(random, 2) == 0 ? 0 : Below(random, form.digitsThatCount - windowDigits + 1);
    const size_t length = 1 + Below(random, 40);
    std::string run(length, '0');
    for (size_t fromEnd = 0; fromEnd < length; ++fromEnd) {
        const bool counts = fromEnd < form.digitsThatCount;
        const bool inWindow = fromEnd >= windowStart && fromEnd < windowStart + windowDigits;
        if (!counts || inWindow) {
            run[length - 1 - fromEnd] = OneOf(random, form.digits);
        }
    }
    return run;
}

int64_t RadixValue(const std::string& run, const RadixForm& form) {
    const size_t first = run.size() > form.digitsThatCount ? run.size() - form.digitsThatCount : 0;
    uint64_t value = 0;
    for (size_t i = first; i < run.size(); ++i) {
        value = value * form.base + DigitValue(run[i]);
    }
    return static_cast<int64_t>(value);
}

Case RadixCase(Random& random, const RadixForm& form) {
    const std::string run = RadixRun(random, form);
    Case c;
    c.text = Blanks(random) + "&" + OneOf(random, form.letters) + run + Junk(random, form.enders);
    c.expected = static_cast<double>(RadixValue(run, form));
    return c;
}

TEST(TextToNumberProperty, HexadecimalIsTheLastSixteenDigitsAsASigned64BitNumber) {
    ForEachRandomText([](Random& random) { return RadixCase(random, kHexadecimal); });
}

TEST(TextToNumberProperty, OctalIsTheLastTwentyTwoDigitsAsASigned64BitNumber) {
    ForEachRandomText([](Random& random) { return RadixCase(random, kOctal); });
}

// ---------------------------------------------------------------------------------------------
// No number

// A sign before "&" is a sign with no digits; "&" with no base letter, or a base letter with no
// digit, is no number; nor is anything that begins with a byte that cannot start one.
TEST(TextToNumberProperty, TextsWithoutANumberGiveZero) {
    ForEachRandomText([](Random& random) {
        Case c;
        switch (Below(random, 4)) {
            case 0: {
                const std::string sign(1, OneOf(random, "+-"));
                c = RadixCase(random, Below(random, 2) == 0 ? kHexadecimal : kOctal);
                c.text = Blanks(random) + sign + c.text.substr(c.text.find('&'));
                c.expected = Signed(sign, 0.0);
                return c;
            }
            case 1:
                c.text = Blanks(random) + "&" + Junk(random, "0123456789 &+-.GgXxAaFf\x82");
                break;
            case 2: {
                const RadixForm& form = Below(random, 2) == 0 ? kHexadecimal : kOctal;
                c.text = Blanks(random) + "&" + OneOf(random, form.letters) + Junk(random, form.enders);
                break;
            }
            default:
                c.text = Blanks(random) + Junk(random, "aAzZ,;:)/\n\r\x81\x82\x95");
                break;
        }
        c.expected = 0.0;
        return c;
    });
}

}  // namespace
