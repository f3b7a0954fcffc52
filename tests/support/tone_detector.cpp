#include "tests/support/tone_detector.h"

#include <cmath>
#include <numbers>

namespace {

// A block carries the tone when it is louder than a faint hiss and nearly all of its power is
// at the tone's frequency.
constexpr double kMinimumRms = 0.01;
constexpr double kMinimumShare = 0.9;
constexpr uint32_t kBlocksPerSecond = 10;

}  // namespace

double TonePowerShare(const double* samples, size_t count, double sampleRate, double frequency) {
    if (count == 0 || sampleRate <= 0.0) {
        return 0.0;
    }
    double mean = 0.0;
    for (size_t i = 0; i < count; ++i) {
        mean += samples[i];
    }
    mean /= static_cast<double>(count);

    const double coefficient = 2.0 * std::cos(2.0 * std::numbers::pi * frequency / sampleRate);
    double previous = 0.0;
    double beforePrevious = 0.0;
    double energy = 0.0;
    for (size_t i = 0; i < count; ++i) {
        const double sample = samples[i] - mean;
        energy += sample * sample;
        const double current = sample + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
    }
    if (energy <= 0.0) {
        return 0.0;
    }
    const double power =
        previous * previous + beforePrevious * beforePrevious - coefficient * previous * beforePrevious;
    // A sine of amplitude A over n samples gives power (A n / 2)^2 and energy n A^2 / 2.
    return 2.0 * power / (static_cast<double>(count) * energy);
}

ToneScan ScanForTone(const std::vector<double>& samples, uint32_t sampleRate, double frequency) {
    ToneScan scan;
    const size_t blockSize = sampleRate / kBlocksPerSecond;
    if (blockSize == 0) {
        return scan;
    }
    for (size_t start = 0; samples.size() - start >= blockSize; start += blockSize) {
        const double* block = &samples[start];
        double energy = 0.0;
        for (size_t i = 0; i < blockSize; ++i) {
            energy += block[i] * block[i];
        }
        const double rms = std::sqrt(energy / static_cast<double>(blockSize));
        ++scan.blocks;
        if (rms >= kMinimumRms && TonePowerShare(block, blockSize, sampleRate, frequency) >= kMinimumShare) {
            ++scan.blocksWithTone;
        }
    }
    return scan;
}
