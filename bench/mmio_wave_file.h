#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>

// A RIFF/WAVE written through the multimedia file functions in the steps the waveform-audio device
// takes for a recording (a buffered read-write file, the RIFF, fmt and data chunks, one write per
// captured buffer, then the data and RIFF chunks ascended and the file closed), so that the sizes
// its header comes out with can be read back and compared with what was written.

// 48 kHz stereo 16-bit, the fastest preset; the device captures a third of a second per buffer.
inline constexpr DWORD kMmioBytesPerSecond = 48000 * 2 * sizeof(int16_t);
inline constexpr DWORD kMmioPieceBytes = kMmioBytesPerSecond / 3;
inline constexpr DWORD kMmioFrameBytes = 2 * sizeof(int16_t);

// ckid and cksize of every chunk; the RIFF chunk adds its form type, fmt holds a PCMWAVEFORMAT.
inline constexpr DWORD kMmioChunkHeaderBytes = sizeof(FOURCC) + sizeof(DWORD);
inline constexpr DWORD kMmioWaveHeaderBytes =
    3 * kMmioChunkHeaderBytes + sizeof(FOURCC) + sizeof(PCMWAVEFORMAT);

struct MmioWaveSizes {
    uint64_t fileBytes = 0;  // on disk
    uint32_t riffSize = 0;   // the RIFF chunk's size field
    uint32_t dataSize = 0;   // the data chunk's size field
};

// Writes sampleBytes of samples to a new file at path in pieces of kMmioPieceBytes (the last one
// shorter when they do not divide). Returns the first failing call's name, or nullptr when every
// call succeeded; *dataOffset is where mmio placed the samples.
const char* WriteWaveThroughMmio(const char* path, uint64_t sampleBytes, DWORD* dataOffset);

// The bytes a caller may still write in the folder's volume; 0 when it cannot be asked.
uint64_t FreeBytesAt(const char* folder);

// Reads the file's size and its header's two size fields; false when it cannot be read.
bool ReadMmioWaveSizes(const char* path, MmioWaveSizes* sizes);

// The file's size for that many sample bytes: a chunk of odd size is followed by a pad byte.
inline uint64_t MmioWaveFileBytes(uint64_t sampleBytes) {
    return kMmioWaveHeaderBytes + sampleBytes + (sampleBytes & 1);
}

// True when the header accounts for exactly the samples written and the bytes on disk.
inline bool MmioWaveSizesAgree(const MmioWaveSizes& sizes, uint64_t sampleBytes) {
    return sizes.fileBytes == MmioWaveFileBytes(sampleBytes) && sizes.dataSize == sampleBytes &&
           sizes.riffSize == sizes.fileBytes - kMmioChunkHeaderBytes;
}
