#include "tests/support/wav_file.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>

namespace {

uint32_t ReadU32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

WORD ReadU16(const uint8_t* p) {
    return static_cast<WORD>(p[0] | p[1] << 8);
}

// One sample of the first channel as a value around 0 (8-bit PCM is unsigned, 16-bit signed).
double SampleAt(const WavFile& wav, size_t frame) {
    const uint8_t* p = wav.data.data() + frame * wav.blockAlign;
    if (wav.bitsPerSample == 8) {
        return p[0] - 128.0;
    }
    return static_cast<int16_t>(ReadU16(p));
}

// Goertzel power at the frequency over the energy of one block, scaled so that a clean sine
// gives about 1.
double BlockToneShare(const WavFile& wav, size_t first, size_t count, double frequency) {
    double mean = 0.0;
    for (size_t i = first; i < first + count; ++i) {
        mean += SampleAt(wav, i);
    }
    mean /= static_cast<double>(count);
    const double coefficient = 2.0 * std::cos(2.0 * std::numbers::pi * frequency / wav.sampleRate);
    double previous = 0.0, beforePrevious = 0.0, energy = 0.0;
    for (size_t i = first; i < first + count; ++i) {
        const double x = SampleAt(wav, i) - mean;
        energy += x * x;
        const double current = x + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
    }
    if (energy == 0.0) {
        return 0.0;
    }
    const double power =
        previous * previous + beforePrevious * beforePrevious - coefficient * previous * beforePrevious;
    return 2.0 * power / (static_cast<double>(count) * energy);
}

}  // namespace

double WavFile::Seconds() const {
    return bytesPerSecond == 0 ? 0.0 : static_cast<double>(data.size()) / bytesPerSecond;
}

bool ReadWavFile(const std::string& path, WavFile* wav, std::string* reason) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *reason = "cannot open " + path;
        return false;
    }
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    wav->fileSize = bytes.size();
    if (bytes.size() < 12 || memcmp(bytes.data(), "RIFF", 4) != 0 ||
        memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        *reason = "no RIFF/WAVE header";
        return false;
    }
    wav->riffSize = ReadU32(bytes.data() + 4);
    bool haveFormat = false;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const uint8_t* chunk = bytes.data() + at;
        const uint32_t size = ReadU32(chunk + 4);
        if (size > bytes.size() - at - 8) {
            *reason = "a chunk runs past the end of the file";
            return false;
        }
        if (memcmp(chunk, "fmt ", 4) == 0 && size >= 16) {
            wav->formatTag = ReadU16(chunk + 8);
            wav->channels = ReadU16(chunk + 10);
            wav->sampleRate = ReadU32(chunk + 12);
            wav->bytesPerSecond = ReadU32(chunk + 16);
            wav->blockAlign = ReadU16(chunk + 20);
            wav->bitsPerSample = ReadU16(chunk + 22);
            haveFormat = true;
        } else if (memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) {
                *reason = "data chunk before the format chunk";
                return false;
            }
            wav->data.assign(chunk + 8, chunk + 8 + size);
            return true;
        }
        at += 8 + size + (size & 1);
    }
    *reason = "no data chunk";
    return false;
}

double ToneShare(const WavFile& wav, double frequency, double skipSeconds) {
    if (wav.blockAlign == 0 || wav.sampleRate == 0) {
        return 0.0;
    }
    const size_t frames = wav.data.size() / wav.blockAlign;
    const size_t first = static_cast<size_t>(skipSeconds * wav.sampleRate);
    // Short blocks of 50 ms, so that a tone a little off its nominal frequency after the
    // device's resampling, or a glitch between two capture buffers, costs one block and not the
    // coherence of the whole take.
    const size_t block = wav.sampleRate / 20;
    double shares = 0.0;
    size_t blocks = 0;
    for (size_t at = first; at + block <= frames; at += block) {
        shares += BlockToneShare(wav, at, block, frequency);
        ++blocks;
    }
    return blocks == 0 ? 0.0 : shares / static_cast<double>(blocks);
}
