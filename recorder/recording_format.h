#pragma once

#include <cstdint>

// The PCM format of a take. The fields are unsigned so that 48000 Hz fits.
struct RecordingFormat {
    uint16_t sampleRate;
    uint16_t channels;
    uint16_t bitsPerSample;
};
