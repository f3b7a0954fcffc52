#include "text/text_to_number.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace {

const char* SkipBlanks(const char* text) {
    while (*text == ' ' || *text == '\t') {
        ++text;
    }
    return text;
}

bool IsDecimalDigit(char c) {
    return c >= '0' && c <= '9';
}

// The value of an upper-cased digit in the given base, or -1 when the character is not one.
int RadixDigitValue(char c, unsigned base) {
    int value = -1;
    if (c >= '0' && c <= '9') {
        value = c - '0';
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    }
    return value >= 0 && static_cast<unsigned>(value) < base ? value : -1;
}

// Sums the digit run [first, end) from its last digit back. The weight wraps modulo 2^64 and each
// product is read as a signed 64-bit value, so only the last 16 hexadecimal (22 octal) digits
// count and a high digit of 8 or more in the top position adds a negative amount.
double SumRadixDigits(const char* first, const char* end, unsigned base) {
    double sum = 0.0;
    uint64_t weight = 1;
    for (const char* p = end; p != first;) {
        --p;
        const uint64_t product = weight * static_cast<uint64_t>(RadixDigitValue(*p, base));
        // Unsigned to signed keeps the bits (two's complement) rather than the value.
        const double term = static_cast<double>(static_cast<int64_t>(product));
        sum += term;
        weight *= base;
    }
    return sum;
}

// "&H..." or "&O...", the text starting at the "&". The prefix letter and the digits are matched
// without regard to case, through the platform's upper-casing on a copy of its own: the caller's
// text is only read, and the copy is as long as the text, however long that is.
double RadixToNumber(const char* ampersand) {
    std::string upper(ampersand);
    // A pointer below 0x10000 would be taken for a single character; a heap or stack address
    // never is one.
    CharUpperA(upper.data());

    unsigned base = 0;
    if (upper[1] == 'H') {
        base = 16;
    } else if (upper[1] == 'O') {
        base = 8;
    } else {
        return 0.0;
    }
    const char* first = upper.c_str() + 2;
    const char* end = first;
    while (RadixDigitValue(*end, base) >= 0) {
        ++end;
    }
    return SumRadixDigits(first, end, base);
}

// The integer run [first, end), summed from its last digit back with a multiplier growing by ten.
// Past about 308 digits the multiplier becomes +infinity; a zero digit then adds nothing rather
// than 0 x infinity (NaN), so leading zeros never spoil a number, while a nonzero digit there
// makes the sum +infinity, which is what a value beyond the range of a double is.
double SumIntegerDigits(const char* first, const char* end) {
    double sum = 0.0;
    double multiplier = 1.0;
    for (const char* p = end; p != first;) {
        --p;
        const int digit = *p - '0';
        if (digit != 0) {
            // Kept in its own variable so that the product is rounded to a double before the sum.
            const double term = digit * multiplier;
            sum += term;
        }
        multiplier *= 10.0;
    }
    return sum;
}

// Adds the fraction digits from `first` on, left to right, each divided by a growing power of
// ten. A very long fraction only divides by +infinity in the end, which adds zero.
double AddFractionDigits(double sum, const char* first) {
    double divisor = 10.0;
    for (const char* p = first; IsDecimalDigit(*p); ++p) {
        const double term = (*p - '0') / divisor;
        sum += term;
        divisor *= 10.0;
    }
    return sum;
}

// An optional sign, an integer run and an optional fraction, with no exponent and no grouping.
double DecimalToNumber(const char* text) {
    bool negative = false;
    if (*text == '-') {
        negative = true;
        ++text;
    } else if (*text == '+') {
        ++text;
    }
    const char* integerEnd = text;
    while (IsDecimalDigit(*integerEnd)) {
        ++integerEnd;
    }
    double sum = SumIntegerDigits(text, integerEnd);
    if (*integerEnd == '.') {
        sum = AddFractionDigits(sum, integerEnd + 1);
    }
    // After a "-" with no digits this is negative zero.
    return negative ? sum * -1.0 : sum;
}

}  // namespace

double TextToNumber(const char* text) {
    const char* start = SkipBlanks(text);
    // The "&" is looked for before any sign, so "-&H10" is a sign with no digits.
    if (*start == '&') {
        return RadixToNumber(start);
    }
    return DecimalToNumber(start);
}
