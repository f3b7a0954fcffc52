#pragma once

#include <cstddef>
#include <cstdint>

#include "tests/support/take_check.h"

// The format list's eight presets in list order, written out once from the design for every test
// that checks them: the text the list shows, the format a take made with it has, and the block
// size and byte rate of that format. The program's own table is not used here, so that a slip
// in it shows.
struct Preset {
    const char* text;
    TakeFormat format;
    uint16_t blockAlign;
    uint32_t bytesPerSecond;
};

inline constexpr Preset kPresets[] = {
    {"48000Hz, 16Bit, 2ch (DVD音質)", {.sampleRate = 48000, .channels = 2, .bitsPerSample = 16}, 4, 192000},
    {"44100Hz, 16Bit, 2ch (CD音質)", {.sampleRate = 44100, .channels = 2, .bitsPerSample = 16}, 4, 176400},
    {"44100Hz, 16Bit, 1ch", {.sampleRate = 44100, .channels = 1, .bitsPerSample = 16}, 2, 88200},
    {"32000Hz, 16Bit, 2ch (FMラジオ品質)",
     {.sampleRate = 32000, .channels = 2, .bitsPerSample = 16},
     4,
     128000},
    {"22050Hz, 16Bit, 2ch", {.sampleRate = 22050, .channels = 2, .bitsPerSample = 16}, 4, 88200},
    {"22050Hz, 16Bit, 1ch", {.sampleRate = 22050, .channels = 1, .bitsPerSample = 16}, 2, 44100},
    {"11025Hz, 16Bit, 1ch (AMラジオ品質)",
     {.sampleRate = 11025, .channels = 1, .bitsPerSample = 16},
     2,
     22050},
    {"11025Hz,  8Bit, 1ch (糞品質)", {.sampleRate = 11025, .channels = 1, .bitsPerSample = 8}, 1, 11025},
};
inline constexpr int kPresetCount = static_cast<int>(sizeof(kPresets) / sizeof(kPresets[0]));
// The preset selected when the program starts.
inline constexpr int kCdPreset = 1;
