#pragma once

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/tone_detector.h"
#include "tests/support/wav_file.h"

// What a take recorded from the test sound server must be: a whole PCM WAV file of the format
// that was asked for, every channel carrying the 1 kHz tone the server plays and no other.

// Written by field name, in the recorder's own order, so that bits and channels cannot swap.
struct TakeFormat {
    uint32_t sampleRate;
    uint16_t channels;
    uint16_t bitsPerSample;
};
inline constexpr TakeFormat kCdFormat{.sampleRate = 44100, .channels = 2, .bitsPerSample = 16};

// The share of a take's 100 ms blocks that must carry the tone. The server makes it itself,
// without a break; half leaves room for a take's edges and for buffers a loaded machine drops.
// A take of silence, noise or another sound has none.
inline constexpr double kToneShareOfATake = 0.5;

// Only the fmt chunk: a PCM WAV of that format, block align and bytes per second consistent.
::testing::AssertionResult HasFormat(const WavFile& wav, const std::string& name, const TakeFormat& format);

// The format, some samples, and in every channel the tone in at least toneShare of the blocks
// and no block of another tone (1370 Hz, well away from it). name is for the messages.
::testing::AssertionResult IsTakeOf(const WavFile& wav,
                                    const std::string& name,
                                    const TakeFormat& format,
                                    double toneShare = kToneShareOfATake);

// The 100 ms blocks of every channel, and how many of them carry the test tone.
ToneScan ScanForTestTone(const WavFile& wav);

// The same as the first IsTakeOf for a file that ReadWavFile takes whole; *wav gets what was read.
::testing::AssertionResult IsTakeOf(const std::string& path,
                                    const TakeFormat& format,
                                    WavFile* wav = nullptr,
                                    double toneShare = kToneShareOfATake);
