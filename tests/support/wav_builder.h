#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <vector>

#include "tests/support/wav_file.h"

// RIFF/WAVE files byte by byte, for the tests that need one as a writer leaves it: whole, padded,
// with other chunks, cut short, or with the sizes of a recording still running. The one builder
// of the tests; wav_file.h reads what it builds.

using Bytes = std::vector<uint8_t>;

inline void PutLittleEndian(Bytes& bytes, uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

// A chunk: its tag, the size it claims and its body, and after a body of odd size a pad byte, as
// RIFF wants. It claims its body's size unless told otherwise (0 while a recording runs); a chunk
// that claims another size has no pad.
inline Bytes Chunk(const char* tag, const Bytes& body, std::optional<uint32_t> claimedSize = {}) {
    const auto size = static_cast<uint32_t>(body.size());
    Bytes bytes(tag, tag + 4);
    PutLittleEndian(bytes, claimedSize.value_or(size), 4);
    bytes.insert(bytes.end(), body.begin(), body.end());
    if (claimedSize.value_or(size) == size && size % 2 == 1) {
        bytes.push_back(0);
    }
    return bytes;
}

inline Bytes FormatChunk(const WavFormat& format) {
    Bytes body;
    PutLittleEndian(body, format.formatTag, 2);
    PutLittleEndian(body, format.channels, 2);
    PutLittleEndian(body, format.sampleRate, 4);
    PutLittleEndian(body, format.bytesPerSecond, 4);
    PutLittleEndian(body, format.blockAlign, 2);
    PutLittleEndian(body, format.bitsPerSample, 2);
    return Chunk("fmt ", body);
}

// A RIFF/WAVE file of the chunks in order, claiming their size unless told otherwise.
inline Bytes Riff(std::initializer_list<Bytes> chunks, std::optional<uint32_t> claimedSize = {}) {
    Bytes body = {'W', 'A', 'V', 'E'};
    for (const Bytes& chunk : chunks) {
        body.insert(body.end(), chunk.begin(), chunk.end());
    }
    return Chunk("RIFF", body, claimedSize);
}
