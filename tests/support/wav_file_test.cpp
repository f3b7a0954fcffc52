// The WAV reader and the tone detector that every take is checked with: each must be able to say
// no, or a take check would pass on any file.

#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/tone_detector.h"
#include "tests/support/wav_file.h"

namespace {

void Put16(std::vector<uint8_t>* bytes, uint32_t value) {
    bytes->push_back(static_cast<uint8_t>(value & 0xFF));
    bytes->push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

void Put32(std::vector<uint8_t>* bytes, uint32_t value) {
    Put16(bytes, value & 0xFFFF);
    Put16(bytes, value >> 16);
}

void PutTag(std::vector<uint8_t>* bytes, const char* tag) {
    for (int i = 0; i < 4; ++i) {
        bytes->push_back(static_cast<uint8_t>(tag[i]));
    }
}

void PutChunk(std::vector<uint8_t>* bytes, const char* tag, const std::vector<uint8_t>& body) {
    PutTag(bytes, tag);
    Put32(bytes, static_cast<uint32_t>(body.size()));
    bytes->insert(bytes->end(), body.begin(), body.end());
    if (body.size() & 1) {
        bytes->push_back(0);
    }
}

std::vector<uint8_t> FormatChunk(uint16_t channels, uint32_t rate, uint16_t bits) {
    std::vector<uint8_t> body;
    const auto blockAlign = static_cast<uint16_t>(channels * bits / 8);
    Put16(&body, 1);
    Put16(&body, channels);
    Put32(&body, rate);
    Put32(&body, rate * blockAlign);
    Put16(&body, blockAlign);
    Put16(&body, bits);
    return body;
}

std::vector<uint8_t> Riff(const std::vector<uint8_t>& chunks) {
    std::vector<uint8_t> bytes;
    PutTag(&bytes, "RIFF");
    Put32(&bytes, static_cast<uint32_t>(4 + chunks.size()));
    PutTag(&bytes, "WAVE");
    bytes.insert(bytes.end(), chunks.begin(), chunks.end());
    return bytes;
}

// Samples of a signal in the file's own encoding, the same value in every channel.
template <typename Signal>
std::vector<uint8_t> Samples(uint16_t channels, uint32_t rate, uint16_t bits, double seconds, Signal signal) {
    std::vector<uint8_t> data;
    const auto frames = static_cast<size_t>(std::lround(seconds * rate));
    for (size_t frame = 0; frame < frames; ++frame) {
        const double value = signal(static_cast<double>(frame) / rate);
        for (uint16_t channel = 0; channel < channels; ++channel) {
            if (bits == 8) {
                data.push_back(static_cast<uint8_t>(128 + std::lround(value * 127)));
            } else {
                Put16(&data, static_cast<uint16_t>(static_cast<int16_t>(std::lround(value * 32767))));
            }
        }
    }
    return data;
}

auto Sine(double frequency, double amplitude) {
    return [=](double t) { return amplitude * std::sin(2 * std::numbers::pi * frequency * t); };
}

std::vector<uint8_t> ToneWav(uint16_t channels, uint32_t rate, uint16_t bits, double seconds) {
    std::vector<uint8_t> chunks;
    PutChunk(&chunks, "fmt ", FormatChunk(channels, rate, bits));
    PutChunk(&chunks, "data", Samples(channels, rate, bits, seconds, Sine(1000, 0.5)));
    return Riff(chunks);
}

TEST(WavFile, ReadsTheFormatAndTheDataOfAPcmFile) {
    WavFile wav;
    std::string error;
    ASSERT_TRUE(ParseWav(ToneWav(2, 44100, 16, 0.5), &wav, &error)) << error;
    EXPECT_EQ(wav.format.formatTag, 1);
    EXPECT_EQ(wav.format.channels, 2);
    EXPECT_EQ(wav.format.sampleRate, 44100u);
    EXPECT_EQ(wav.format.bytesPerSecond, 176400u);
    EXPECT_EQ(wav.format.blockAlign, 4);
    EXPECT_EQ(wav.format.bitsPerSample, 16);
    EXPECT_EQ(wav.data.size(), 88200u);
    EXPECT_DOUBLE_EQ(wav.Seconds(), 0.5);
}

TEST(WavFile, SkipsOtherChunksWithTheirPadding) {
    std::vector<uint8_t> chunks;
    PutChunk(&chunks, "LIST", {'a', 'b', 'c'});  // odd: one pad byte follows
    PutChunk(&chunks, "fmt ", FormatChunk(1, 11025, 8));
    PutChunk(&chunks, "data", {128, 129, 130});
    WavFile wav;
    std::string error;
    ASSERT_TRUE(ParseWav(Riff(chunks), &wav, &error)) << error;
    EXPECT_EQ(wav.format.blockAlign, 1);
    EXPECT_EQ(wav.data, (std::vector<uint8_t>{128, 129, 130}));
    EXPECT_EQ(ChannelSamples(wav, 0), (std::vector<double>{0.0, 1 / 128.0, 2 / 128.0}));
    EXPECT_TRUE(ChannelSamples(wav, 1).empty());
}

struct BrokenCase {
    const char* what;
    std::vector<uint8_t> bytes;
};

std::vector<BrokenCase> BrokenFiles() {
    std::vector<uint8_t> good = ToneWav(1, 11025, 16, 0.01);
    std::vector<BrokenCase> cases;
    std::vector<uint8_t> bytes = good;
    bytes[0] = 'X';
    cases.push_back({"not RIFF", bytes});
    bytes = good;
    bytes[8] = 'X';
    cases.push_back({"not WAVE", bytes});
    bytes = good;
    bytes.resize(bytes.size() - 2);
    cases.push_back({"data cut short", bytes});
    std::vector<uint8_t> chunks;
    PutChunk(&chunks, "data", {0, 0});
    cases.push_back({"no fmt chunk", Riff(chunks)});
    chunks.clear();
    PutChunk(&chunks, "fmt ", FormatChunk(1, 11025, 16));
    cases.push_back({"no data chunk", Riff(chunks)});
    chunks.clear();
    PutChunk(&chunks, "fmt ", {1, 0, 1, 0});
    PutChunk(&chunks, "data", {0, 0});
    cases.push_back({"fmt chunk too short", Riff(chunks)});
    chunks.clear();
    PutChunk(&chunks, "fmt ", FormatChunk(2, 44100, 16));
    PutChunk(&chunks, "data", {0, 0, 0, 0, 0, 0});
    cases.push_back({"half a block", Riff(chunks)});
    return cases;
}

TEST(WavFile, RejectsFilesThatAreNotCompletePcmWavs) {
    for (const BrokenCase& broken : BrokenFiles()) {
        WavFile wav;
        std::string error;
        EXPECT_FALSE(ParseWav(broken.bytes, &wav, &error)) << broken.what;
        EXPECT_FALSE(error.empty()) << broken.what;
    }
}

struct ToneCase {
    const char* what;
    uint16_t channels;
    uint32_t rate;
    uint16_t bits;
    std::function<double(double)> signal;
    bool carries;
};

TEST(ToneDetector, FindsTheTestToneOnlyWhereItIs) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> noise(-0.5, 0.5);
    const ToneCase cases[] = {
        {"1 kHz, CD format", 2, 44100, 16, Sine(1000, 0.5), true},
        {"1 kHz, 8-bit mono", 1, 11025, 8, Sine(1000, 0.5), true},
        {"1 kHz, 48 kHz", 2, 48000, 16, Sine(1000, 0.5), true},
        {"1.5 kHz", 2, 44100, 16, Sine(1500, 0.5), false},
        {"900 Hz", 1, 22050, 16, Sine(900, 0.5), false},
        {"silence", 2, 44100, 16, [](double) { return 0.0; }, false},
        {"1 kHz too faint to be more than hiss", 1, 44100, 16, Sine(1000, 0.002), false},
        {"noise", 1, 44100, 16, [&](double) { return noise(random); }, false},
        {"1 kHz in the first 0.3 s only", 1, 44100, 16,
         [](double t) { return t < 0.3 ? 0.5 * std::sin(2 * std::numbers::pi * 1000 * t) : 0.0; }, false},
        {"1 kHz with a dropout", 1, 44100, 16,
         [](double t) { return t >= 0.2 && t < 0.5 ? 0.0 : 0.5 * std::sin(2 * std::numbers::pi * 1000 * t); },
         true},
    };
    for (const ToneCase& tone : cases) {
        std::vector<uint8_t> chunks;
        PutChunk(&chunks, "fmt ", FormatChunk(tone.channels, tone.rate, tone.bits));
        PutChunk(&chunks, "data", Samples(tone.channels, tone.rate, tone.bits, 1.0, tone.signal));
        WavFile wav;
        std::string error;
        ASSERT_TRUE(ParseWav(Riff(chunks), &wav, &error)) << tone.what << ": " << error;
        for (unsigned channel = 0; channel < tone.channels; ++channel) {
            ToneScan scan = ScanForTone(ChannelSamples(wav, channel), tone.rate, 1000);
            EXPECT_EQ(scan.blocks, 10u) << tone.what;
            EXPECT_EQ(scan.Carries(0.5), tone.carries)
                << tone.what << ": " << scan.blocksWithTone << " of " << scan.blocks;
        }
    }
}

TEST(ToneDetector, PowerShareIsOneForAPureToneAndSmallBesideIt) {
    std::vector<double> samples;
    for (int i = 0; i < 4410; ++i) {
        samples.push_back(0.3 * std::sin(2 * std::numbers::pi * 1000 * i / 44100.0) + 0.1);
    }
    EXPECT_NEAR(TonePowerShare(samples.data(), samples.size(), 44100, 1000), 1.0, 0.01);
    EXPECT_LT(TonePowerShare(samples.data(), samples.size(), 44100, 1100), 0.01);
    EXPECT_EQ(TonePowerShare(samples.data(), 0, 44100, 1000), 0.0);
}

}  // namespace
