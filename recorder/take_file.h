#pragma once

#include <windows.h>

#include <cstdint>

// The WAV files a take leaves: the one a save writes, and the device's own recording file, whose
// header keeps sizes of 0 until a save patches them.

// The RIFF, fmt and data headers of a PCM WAV, in front of its samples.
constexpr uint64_t kWaveHeaderSize = 44;

// The bytes of samples in a recorded length, in whole milliseconds.
uint64_t SampleBytesOf(uint64_t lengthMs, const PCMWAVEFORMAT& format);

// What a whole save of a recorded length must hold at least: the length comes in whole
// milliseconds, so a millisecond and a sample frame less. A file of a take never reaches 4 GiB
// (it is handed over below 2 GiB), so the count fits 32 bits.
uint32_t LeastWholeDataBytes(uint64_t lengthMs, const PCMWAVEFORMAT& format);

// Where the samples of a RIFF/WAVE file lie, and what its header claims.
struct WaveLayout {
    uint32_t fileSize;
    uint32_t riffSize;  // as written in the header
    uint32_t dataOffset;
    uint32_t dataSize;  // as written in the data chunk's header
};

// Reads the layout of the file, walking its chunks up to the data chunk; false when it is no
// RIFF/WAVE file with a data chunk (or cannot be read). A file of 4 GiB or more is none: a WAV's
// sizes are 32-bit.
bool ReadWaveLayout(const char* path, WaveLayout& layout);

// True when the file is a complete WAV holding at least minimumData bytes of samples: the file
// holds all that its RIFF chunk claims, and the data chunk lies within it. Every legal layout
// passes: an odd-sized data chunk padded to an even size, chunks after the data.
bool IsCompleteTake(const char* path, uint32_t minimumData);

// Writes a complete WAV at target (which must not exist) in the given format, with the samples
// that the device's recording file holds, cut to whole sample frames. The sizes in the recording
// file's header are not trusted while a take runs (they are 0 then); a data size written by a save
// is kept to. False when fewer than minimumData bytes of samples are there or nothing complete
// could be written; a partial target is then removed. The window is repainted between pieces, so
// that a copy of hours does not leave it blank.
bool WriteTakeFromRecording(const char* recordingFile,
                            const char* target,
                            const PCMWAVEFORMAT& format,
                            uint32_t minimumData);
