#include "text/text_to_number.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

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

// Bytes upper-cased at a time: the platform converts a piece this short without allocating.
constexpr size_t kPieceSize = 32;
// The last digits of a radix run that are kept: a digit's weight is a power of the base modulo
// 2^64, which is 0 from the 17th hexadecimal (23rd octal) digit from the end on, so every digit
// before the last 22 adds +0 to the sum and changes nothing.
constexpr size_t kCountingDigits = 22;

// Bytes taken by the character at text: a lead byte and the byte after it are one character,
// except a lead byte directly before the terminator, which stands alone.
size_t CharacterLength(const char* text) {
    return IsDBCSLeadByte(static_cast<BYTE>(text[0])) && text[1] != '\0' ? 2 : 1;
}

// Length of the piece that starts at text: whole characters only, at most kPieceSize bytes,
// ending before the terminator (0 at the terminator).
size_t PieceLength(const char* text) {
    size_t length = 0;
    while (text[length] != '\0') {
        const size_t next = length + CharacterLength(text + length);
        if (next > kPieceSize) {
            break;
        }
        length = next;
    }
    return length;
}

// "&", the base letter and the digit run of a radix form, fed one upper-cased byte at a time.
class RadixRun {
public:
    // Takes the byte at the given position after the "&"; false once the run has ended.
    bool Take(char c, size_t position) {
        if (position == 0) {
            return true;  // the "&" itself
        }
        if (position == 1) {
            base_ = c == 'H' ? 16 : c == 'O' ? 8 : 0;
            return base_ != 0;
        }
        const int value = RadixDigitValue(c, base_);
        if (value < 0) {
            return false;
        }
        last_[count_ % kCountingDigits] = static_cast<unsigned>(value);
        ++count_;
        return true;
    }

    // The run summed from its last digit back. The weight wraps modulo 2^64 and each product is
    // read as a signed 64-bit value, so only the last 16 hexadecimal (22 octal) digits count and
    // a high digit of 8 or more in the top position adds a negative amount.
    double Sum() const {
        if (base_ == 0) {
            return 0.0;
        }
        const size_t kept = count_ < kCountingDigits ? count_ : kCountingDigits;
        double sum = 0.0;
        uint64_t weight = 1;
        for (size_t back = 1; back <= kept; ++back) {
            const uint64_t product = weight * last_[(count_ - back) % kCountingDigits];
            // Unsigned to signed keeps the bits (two's complement) rather than the value.
            const double term = static_cast<double>(static_cast<int64_t>(product));
            sum += term;
            weight *= base_;
        }
        return sum;
    }

private:
    unsigned base_ = 0;
    size_t count_ = 0;
    unsigned last_[kCountingDigits] = {};
};

// "&H..." or "&O...", the text starting at the "&". The prefix letter and the digits are matched
// without regard to case, through the platform's upper-casing on copies of short pieces of the
// text, cut between characters, so that the caller's text is only read and the text may be of
// any length. Reading stops at the end of the digit run.
double RadixToNumber(const char* ampersand) {
    RadixRun run;
    size_t position = 0;
    for (const char* piece = ampersand; *piece != '\0';) {
        const size_t length = PieceLength(piece);
        char upper[kPieceSize];
        memcpy(upper, piece, length);
        CharUpperBuffA(upper, static_cast<DWORD>(length));
        for (size_t i = 0; i < length; ++i, ++position) {
            if (!run.Take(upper[i], position)) {
                return run.Sum();
            }
        }
        piece += length;
    }
    return run.Sum();
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
