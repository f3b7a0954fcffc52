#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

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
