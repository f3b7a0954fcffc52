#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Finds a steady sine tone in recorded samples with the Goertzel algorithm, one short block at
// a time, so that a take is shown to hold the sound that was played, not merely some bytes.

// The share of a block's power (its mean removed) that lies at `frequency`: about 1 for a pure
// tone at that frequency, near 0 for silence, noise or a tone elsewhere.
double TonePowerShare(const double* samples, size_t count, double sampleRate, double frequency);

struct ToneScan {
    size_t blocks = 0;          // whole 100 ms blocks in the samples
    size_t blocksWithTone = 0;  // blocks that are loud enough and mostly that tone

    // True when there is at least one block and at least `share` of the blocks carry the tone.
    bool Carries(double share) const {
        return blocks > 0 && static_cast<double>(blocksWithTone) >= share * static_cast<double>(blocks);
    }
};

ToneScan ScanForTone(const std::vector<double>& samples, uint32_t sampleRate, double frequency);
