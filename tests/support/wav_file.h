#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Reads a PCM WAV file as a listener's tools would: the RIFF/WAVE container, the fmt chunk and
// the samples of the data chunk. Nothing here knows who wrote the file.

struct WavFormat {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t bytesPerSecond = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
};

// A PCM format of that many channels, rate and bits, its block size and byte rate derived.
inline WavFormat PcmFormat(uint16_t channels, uint32_t sampleRate, uint16_t bitsPerSample) {
    const auto blockAlign = static_cast<uint16_t>(channels * bitsPerSample / 8);
    return {1, channels, sampleRate, sampleRate * blockAlign, blockAlign, bitsPerSample};
}

struct WavFile {
    WavFormat format;
    std::vector<uint8_t> data;  // the data chunk's bytes

    // The length of the data in seconds, from its size and the bytes per second of the fmt chunk.
    double Seconds() const;
};

// Parses a whole file's bytes. Chunks may come in any order and other chunks are skipped (odd
// sizes padded). False, with the reason in *error, for anything that is not a complete PCM
// WAV: a wrong signature, a missing or short fmt chunk, no data chunk, a chunk that runs past
// the end of the file, or a data size that is not a whole number of blocks.
bool ParseWav(const std::vector<uint8_t>& bytes, WavFile* wav, std::string* error);
// Reads the file at a full path of any length and parses it.
bool ReadWavFile(const std::string& path, WavFile* wav, std::string* error);

// The samples of one channel scaled to -1..1: 8-bit samples are unsigned around 128, 16-bit
// ones signed little-endian. Empty for another sample size or a channel the file does not have.
std::vector<double> ChannelSamples(const WavFile& wav, unsigned channel);
