#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/guarded_page.h"

// The property tests draw their inputs from a pseudo-random generator with a fixed seed, so that
// every run checks the same cases. MIREBASCO_RANDOM_SEED=<number> draws another set; a failure
// names the seed, the case number and the input bytes, so that the failing case can be replayed.
inline uint64_t RandomSeed() {
    constexpr uint64_t kDefaultSeed = 48271;
    char text[32] = {};
    const DWORD length = GetEnvironmentVariableA("MIREBASCO_RANDOM_SEED", text, sizeof(text));
    if (length == 0 || length >= sizeof(text)) {
        return kDefaultSeed;
    }
    char* end = nullptr;
    const unsigned long long seed = strtoull(text, &end, 0);
    return end != text ? seed : kDefaultSeed;
}

// "43 3A 5C 95 5C (5 bytes)"
inline std::string HexBytes(const std::string& bytes) {
    std::string hex;
    for (const char c : bytes) {
        char pair[4];
        snprintf(pair, sizeof(pair), "%02X ", static_cast<unsigned char>(c));
        hex += pair;
    }
    return hex + "(" + std::to_string(bytes.size()) + " bytes)";
}

// "seed 48271, case 17, bytes 43 3A 5C 95 5C (5 bytes)": enough to find the case again.
inline std::string CaseName(uint64_t seed, long long caseNumber, const std::string& bytes) {
    return "seed " + std::to_string(seed) + ", case " + std::to_string(caseNumber) + ", bytes " +
           HexBytes(bytes);
}

using Random = std::mt19937_64;

// A number from 0 to count - 1, each as likely.
inline size_t Below(Random& random, size_t count) {
    return std::uniform_int_distribution<size_t>(0, count - 1)(random);
}

// The property tests' loop. Draws `cases` texts from a generator seeded with RandomSeed(), places
// each so that its terminator is the last byte before a guard page (at most `capacity` bytes with
// the terminator), and has check judge it. A case whose text was read past its terminator or
// changed fails whatever check says. Stops at the first failing case and names it.
inline void ForEachRandomCase(
    int cases,
    size_t capacity,
    const std::function<std::string(Random&)>& draw,
    const std::function<::testing::AssertionResult(const char* placed, const std::string& text)>& check) {
    const uint64_t seed = RandomSeed();
    Random random(seed);
    GuardedPage page(capacity);
    for (int n = 0; n < cases; ++n) {
        const std::string text = draw(random);
        const char* placed = page.PlaceText(text);
        ::testing::AssertionResult result = check(placed, text);
        if (page.Touched()) {
            result = ::testing::AssertionFailure() << "read past the terminator";
        } else if (memcmp(placed, text.c_str(), text.size() + 1) != 0) {
            result = ::testing::AssertionFailure() << "changed the text";
        }
        if (!result) {
            ADD_FAILURE() << CaseName(seed, n, text) << ": " << result.message();
            return;
        }
    }
}
