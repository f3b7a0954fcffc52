#include "tests/support/take_check.h"

#include <cstdio>
#include <vector>

#include "tests/support/tone_detector.h"

namespace {

constexpr double kToneFrequency = 1000.0;
constexpr double kOtherFrequency = 1370.0;

std::string Describe(const WavFormat& format) {
    char text[160];
    snprintf(text, sizeof(text), "tag %u, %u ch, %lu Hz, %u bits, block %u, %lu bytes/s", format.formatTag,
             format.channels, static_cast<unsigned long>(format.sampleRate), format.bitsPerSample,
             format.blockAlign, static_cast<unsigned long>(format.bytesPerSecond));
    return text;
}

}  // namespace

::testing::AssertionResult HasFormat(const WavFile& wav,
                                     const std::string& name,
                                     const TakeFormat& expected) {
    const WavFormat want = PcmFormat(expected.channels, expected.sampleRate, expected.bitsPerSample);
    if (Describe(wav.format) != Describe(want)) {
        return ::testing::AssertionFailure()
               << name << " has format {" << Describe(wav.format) << "}, expected {" << Describe(want) << "}";
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult IsTakeOf(const WavFile& wav,
                                    const std::string& name,
                                    const TakeFormat& expected,
                                    double toneShare) {
    ::testing::AssertionResult format = HasFormat(wav, name, expected);
    if (!format) {
        return format;
    }
    if (wav.data.empty()) {
        return ::testing::AssertionFailure() << name << " holds no samples";
    }
    for (unsigned channel = 0; channel < wav.format.channels; ++channel) {
        const std::vector<double> samples = ChannelSamples(wav, channel);
        const ToneScan tone = ScanForTone(samples, wav.format.sampleRate, kToneFrequency);
        if (!tone.Carries(toneShare)) {
            return ::testing::AssertionFailure()
                   << name << ": channel " << channel << " carries the 1 kHz tone in " << tone.blocksWithTone
                   << " of " << tone.blocks << " blocks of 100 ms";
        }
        const ToneScan other = ScanForTone(samples, wav.format.sampleRate, kOtherFrequency);
        if (other.blocksWithTone != 0) {
            return ::testing::AssertionFailure()
                   << name << ": channel " << channel << " carries a 1370 Hz tone in " << other.blocksWithTone
                   << " blocks";
        }
    }
    return ::testing::AssertionSuccess();
}

ToneScan ScanForTestTone(const WavFile& wav) {
    ToneScan all;
    for (unsigned channel = 0; channel < wav.format.channels; ++channel) {
        const ToneScan scan =
            ScanForTone(ChannelSamples(wav, channel), wav.format.sampleRate, kToneFrequency);
        all.blocks += scan.blocks;
        all.blocksWithTone += scan.blocksWithTone;
    }
    return all;
}

::testing::AssertionResult IsTakeOf(const std::string& path,
                                    const TakeFormat& format,
                                    WavFile* out,
                                    double toneShare) {
    WavFile wav;
    std::string error;
    if (!ReadWavFile(path, &wav, &error)) {
        return ::testing::AssertionFailure() << error;
    }
    ::testing::AssertionResult take = IsTakeOf(wav, path, format, toneShare);
    if (take && out) {
        *out = std::move(wav);
    }
    return take;
}
