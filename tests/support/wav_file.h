#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// What a test needs to know of a PCM WAV file the device wrote.
struct WavFile {
    WORD formatTag = 0;
    WORD channels = 0;
    DWORD sampleRate = 0;
    DWORD bytesPerSecond = 0;
    WORD blockAlign = 0;
    WORD bitsPerSample = 0;
    uint32_t riffSize = 0;
    uint64_t fileSize = 0;
    std::vector<uint8_t> data;  // the data chunk's samples

    double Seconds() const;
};

// Reads a RIFF/WAVE file: its "fmt " and "data" chunks. False, with a reason, when the file is
// missing or is not a well-formed WAV.
bool ReadWavFile(const std::string& path, WavFile* wav, std::string* reason);

// The share of the first channel's energy that lies at the given frequency (Goertzel), from 0 to
// about 1: a clean sine at that frequency gives nearly 1, silence or noise nearly 0. The first
// skipSeconds of the take are left out.
double ToneShare(const WavFile& wav, double frequency, double skipSeconds = 0.1);
