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
#include "tests/support/wav_builder.h"
#include "tests/support/wav_file.h"

namespace {

// Samples of a signal in the file's own encoding, the same value in every channel.
template <typename Signal>
Bytes Samples(uint16_t channels, uint32_t rate, uint16_t bits, double seconds, Signal signal) {
    Bytes data;
    const auto frames = static_cast<size_t>(std::lround(seconds * rate));
    for (size_t frame = 0; frame < frames; ++frame) {
        const double value = signal(static_cast<double>(frame) / rate);
        for (uint16_t channel = 0; channel < channels; ++channel) {
            if (bits == 8) {
                data.push_back(static_cast<uint8_t>(128 + std::lround(value * 127)));
            } else {
                const auto sample = static_cast<uint16_t>(static_cast<int16_t>(std::lround(value * 32767)));
                data.insert(data.end(), {static_cast<uint8_t>(sample), static_cast<uint8_t>(sample >> 8)});
            }
        }
    }
    return data;
}

auto Sine(double frequency, double amplitude) {
    return [=](double t) { return amplitude * std::sin(2 * std::numbers::pi * frequency * t); };
}

Bytes ToneWav(uint16_t channels, uint32_t rate, uint16_t bits, double seconds) {
    return Riff({FormatChunk(PcmFormat(channels, rate, bits)),
                 Chunk("data", Samples(channels, rate, bits, seconds, Sine(1000, 0.5)))});
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
    const Bytes bytes = Riff({Chunk("LIST", {'a', 'b', 'c'}),  // odd: one pad byte follows
                              FormatChunk(PcmFormat(1, 11025, 8)), Chunk("data", {128, 129, 130})});
    WavFile wav;
    std::string error;
    ASSERT_TRUE(ParseWav(bytes, &wav, &error)) << error;
    EXPECT_EQ(wav.format.blockAlign, 1);
    EXPECT_EQ(wav.data, (std::vector<uint8_t>{128, 129, 130}));
    EXPECT_EQ(ChannelSamples(wav, 0), (std::vector<double>{0.0, 1 / 128.0, 2 / 128.0}));
    EXPECT_TRUE(ChannelSamples(wav, 1).empty());
}

struct BrokenCase {
    const char* what;
    Bytes bytes;
};

std::vector<BrokenCase> BrokenFiles() {
    const Bytes good = ToneWav(1, 11025, 16, 0.01);
    std::vector<BrokenCase> cases;
    Bytes bytes = good;
    bytes[0] = 'X';
    cases.push_back({"not RIFF", bytes});
    bytes = good;
    bytes[8] = 'X';
    cases.push_back({"not WAVE", bytes});
    bytes = good;
    bytes.resize(bytes.size() - 2);
    cases.push_back({"data cut short", bytes});
    cases.push_back({"no fmt chunk", Riff({Chunk("data", {0, 0})})});
    cases.push_back({"no data chunk", Riff({FormatChunk(PcmFormat(1, 11025, 16))})});
    cases.push_back({"fmt chunk too short", Riff({Chunk("fmt ", {1, 0, 1, 0}), Chunk("data", {0, 0})})});
    cases.push_back({"half a block", Riff({FormatChunk(PcmFormat(2, 44100, 16)), Chunk("data", Bytes(6))})});
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
        const Bytes bytes =
            Riff({FormatChunk(PcmFormat(tone.channels, tone.rate, tone.bits)),
                  Chunk("data", Samples(tone.channels, tone.rate, tone.bits, 1.0, tone.signal))});
        WavFile wav;
        std::string error;
        ASSERT_TRUE(ParseWav(bytes, &wav, &error)) << tone.what << ": " << error;
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
