#include "bench/mmio_wave_file.h"

#include <algorithm>

namespace {

// Closes the file on every way out, as the device's save does after its ascends.
class MmioFile {
public:
    explicit MmioFile(HMMIO file) : file_(file) {}
    ~MmioFile() {
        if (file_ != nullptr) {
            mmioClose(file_, 0);
        }
    }
    MmioFile(const MmioFile&) = delete;
    MmioFile& operator=(const MmioFile&) = delete;
    HMMIO Get() const { return file_; }

private:
    HMMIO file_;
};

const char* WriteFormat(HMMIO file) {
    MMCKINFO format = {};
    format.ckid = mmioFOURCC('f', 'm', 't', ' ');
    format.cksize = sizeof(PCMWAVEFORMAT);
    PCMWAVEFORMAT pcm = {};
    pcm.wf.wFormatTag = WAVE_FORMAT_PCM;
    pcm.wf.nChannels = kMmioFrameBytes / sizeof(int16_t);
    pcm.wf.nSamplesPerSec = kMmioBytesPerSecond / kMmioFrameBytes;
    pcm.wf.nAvgBytesPerSec = kMmioBytesPerSecond;
    pcm.wf.nBlockAlign = kMmioFrameBytes;
    pcm.wBitsPerSample = 8 * sizeof(int16_t);
    if (mmioCreateChunk(file, &format, 0) != MMSYSERR_NOERROR) {
        return "mmioCreateChunk(fmt)";
    }
    if (mmioWrite(file, reinterpret_cast<const char*>(&pcm), sizeof(pcm)) != sizeof(pcm)) {
        return "mmioWrite(fmt)";
    }
    return mmioAscend(file, &format, 0) == MMSYSERR_NOERROR ? nullptr : "mmioAscend(fmt)";
}

const char* WriteSamples(HMMIO file, uint64_t sampleBytes) {
    // Not silence, so that bytes landing in the wrong place show in a dump of the file.
    static char piece[kMmioPieceBytes];
    for (DWORD i = 0; i < sizeof(piece); ++i) {
        piece[i] = static_cast<char>(i * 7 + 1);
    }
    for (uint64_t written = 0; written < sampleBytes;) {
        const LONG count = static_cast<LONG>(std::min<uint64_t>(sizeof(piece), sampleBytes - written));
        if (mmioWrite(file, piece, count) != count) {
            return "mmioWrite(data)";
        }
        written += static_cast<uint64_t>(count);
    }
    return nullptr;
}

}  // namespace

const char* WriteWaveThroughMmio(const char* path, uint64_t sampleBytes, DWORD* dataOffset) {
    char name[MAX_PATH] = {};
    lstrcpynA(name, path, sizeof(name));
    MmioFile file(mmioOpenA(name, nullptr, MMIO_ALLOCBUF | MMIO_READWRITE | MMIO_CREATE));
    if (file.Get() == nullptr) {
        return "mmioOpenA";
    }
    MMCKINFO riff = {};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    if (mmioCreateChunk(file.Get(), &riff, MMIO_CREATERIFF) != MMSYSERR_NOERROR) {
        return "mmioCreateChunk(RIFF)";
    }
    if (const char* failed = WriteFormat(file.Get())) {
        return failed;
    }
    MMCKINFO data = {};
    data.ckid = mmioFOURCC('d', 'a', 't', 'a');
    if (mmioCreateChunk(file.Get(), &data, 0) != MMSYSERR_NOERROR) {
        return "mmioCreateChunk(data)";
    }
    *dataOffset = data.dwDataOffset;
    if (const char* failed = WriteSamples(file.Get(), sampleBytes)) {
        return failed;
    }
    if (mmioAscend(file.Get(), &data, 0) != MMSYSERR_NOERROR) {
        return "mmioAscend(data)";
    }
    return mmioAscend(file.Get(), &riff, 0) == MMSYSERR_NOERROR ? nullptr : "mmioAscend(RIFF)";
}

uint64_t FreeBytesAt(const char* folder) {
    ULARGE_INTEGER available = {};
    return GetDiskFreeSpaceExA(folder, &available, nullptr, nullptr) ? available.QuadPart : 0;
}

bool ReadMmioWaveSizes(const char* path, MmioWaveSizes* sizes) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    LARGE_INTEGER size = {};
    BYTE header[kMmioWaveHeaderBytes] = {};
    DWORD read = 0;
    const bool ok = GetFileSizeEx(file, &size) && ReadFile(file, header, sizeof(header), &read, nullptr) &&
                    read == sizeof(header);
    CloseHandle(file);
    if (!ok) {
        return false;
    }
    sizes->fileBytes = static_cast<uint64_t>(size.QuadPart);
    // Each size field follows its chunk's id; the data chunk's header ends the header.
    CopyMemory(&sizes->riffSize, header + sizeof(FOURCC), sizeof(sizes->riffSize));
    CopyMemory(&sizes->dataSize, header + sizeof(header) - sizeof(DWORD), sizeof(sizes->dataSize));
    return true;
}
