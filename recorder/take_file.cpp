#include "recorder/take_file.h"

#include <cstring>

#include "recorder/handle_guard.h"

namespace {

constexpr uint32_t kChunkHeaderSize = 8;
// "RIFF", its size and "WAVE".
constexpr uint32_t kRiffHeaderSize = 12;

// The samples are copied in pieces of this size, through a buffer on the stack: a file of a take
// can hold 2 GiB, and fewer, larger pieces copy it faster.
constexpr DWORD kCopyPieceSize = 64 * 1024;

// The device keeps its recording file open for writing, so others' writes are shared too.
HANDLE OpenForReading(const char* path) {
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, 0, nullptr);
}

bool ReadAt(HANDLE file, uint32_t offset, void* buffer, DWORD size) {
    OVERLAPPED at = {};
    at.Offset = offset;
    DWORD read = 0;
    return ReadFile(file, buffer, size, &read, &at) && read == size;
}

bool WriteAll(HANDLE file, const void* buffer, DWORD size) {
    DWORD written = 0;
    return WriteFile(file, buffer, size, &written, nullptr) && written == size;
}

uint32_t Little32(const unsigned char* bytes) {
    return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24;
}

bool LayoutOf(HANDLE file, WaveLayout& layout) {
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file, &size) || size.QuadPart > 0xFFFFFFFFLL) {
        return false;
    }
    layout.fileSize = static_cast<uint32_t>(size.QuadPart);
    unsigned char header[kRiffHeaderSize];
    if (!ReadAt(file, 0, header, sizeof(header)) || memcmp(header, "RIFF", 4) != 0 ||
        memcmp(header + 8, "WAVE", 4) != 0) {
        return false;
    }
    layout.riffSize = Little32(header + 4);
    // Chunks follow one another, each padded to an even size; the data chunk's own size is not
    // needed to find it.
    for (uint32_t offset = kRiffHeaderSize; layout.fileSize - offset >= kChunkHeaderSize;) {
        unsigned char chunk[kChunkHeaderSize];
        if (!ReadAt(file, offset, chunk, sizeof(chunk))) {
            return false;
        }
        const uint32_t chunkSize = Little32(chunk + 4);
        if (memcmp(chunk, "data", 4) == 0) {
            layout.dataOffset = offset + kChunkHeaderSize;
            layout.dataSize = chunkSize;
            return true;
        }
        const uint32_t next = offset + kChunkHeaderSize + chunkSize + (chunkSize & 1);
        if (next <= offset || next > layout.fileSize) {
            return false;
        }
        offset = next;
    }
    return false;
}

}  // namespace

uint64_t SampleBytesOf(uint64_t lengthMs, const PCMWAVEFORMAT& format) {
    return lengthMs * format.wf.nAvgBytesPerSec / 1000;
}

uint32_t LeastWholeDataBytes(uint64_t lengthMs, const PCMWAVEFORMAT& format) {
    const uint64_t recorded = SampleBytesOf(lengthMs, format);
    const uint64_t slack = format.wf.nAvgBytesPerSec / 1000 + format.wf.nBlockAlign;
    const uint64_t least = recorded > slack ? recorded - slack : 0;
    return least < UINT32_MAX ? static_cast<uint32_t>(least) : UINT32_MAX;
}

bool ReadWaveLayout(const char* path, WaveLayout& layout) {
    HandleGuard file(OpenForReading(path));
    return file.IsOpen() && LayoutOf(file.Get(), layout);
}

bool IsCompleteTake(const char* path, uint32_t minimumData) {
    WaveLayout layout = {};
    if (!ReadWaveLayout(path, layout)) {
        return false;
    }
    const uint64_t riffEnd = uint64_t{layout.riffSize} + kChunkHeaderSize;
    return riffEnd <= layout.fileSize && uint64_t{layout.dataOffset} + layout.dataSize <= riffEnd &&
           layout.dataSize >= minimumData;
}

namespace {

// The copy runs on the window's thread. Only paint messages are taken here: the window shows
// itself, and a click, a tick or the session's end waits for the copy to be done, since the take
// is not on disk before.
void RepaintWindows() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT)) {
        DispatchMessageA(&message);
    }
}

// Copies count bytes from offset on in recording to the end of take.
bool CopySamples(HANDLE recording, uint32_t offset, uint32_t count, HANDLE take) {
    char buffer[kCopyPieceSize];
    while (count > 0) {
        const DWORD piece = count < sizeof(buffer) ? count : sizeof(buffer);
        if (!ReadAt(recording, offset, buffer, piece) || !WriteAll(take, buffer, piece)) {
            return false;
        }
        offset += piece;
        count -= piece;
        RepaintWindows();
    }
    return true;
}

// The 44-byte header of a PCM WAV with dataSize bytes of samples, and a pad byte after an odd
// number of them, as RIFF wants every chunk to be of even size.
bool WriteHeader(HANDLE take, const PCMWAVEFORMAT& format, uint32_t dataSize) {
    const uint32_t formatSize = sizeof(PCMWAVEFORMAT);
    const uint32_t riffSize =
        4 + kChunkHeaderSize + formatSize + kChunkHeaderSize + dataSize + (dataSize & 1);
    return WriteAll(take, "RIFF", 4) && WriteAll(take, &riffSize, 4) && WriteAll(take, "WAVEfmt ", 8) &&
           WriteAll(take, &formatSize, 4) && WriteAll(take, &format, formatSize) &&
           WriteAll(take, "data", 4) && WriteAll(take, &dataSize, 4);
}

}  // namespace

bool WriteTakeFromRecording(const char* recordingFile,
                            const char* target,
                            const PCMWAVEFORMAT& format,
                            uint32_t minimumData) {
    HandleGuard recording(OpenForReading(recordingFile));
    WaveLayout layout = {};
    if (!recording.IsOpen() || !LayoutOf(recording.Get(), layout) || format.wf.nBlockAlign == 0) {
        return false;
    }
    // A save patches the size; the pad byte of an odd size, or a chunk after the data, is no sound.
    uint32_t available = layout.fileSize - layout.dataOffset;
    if (layout.dataSize != 0 && layout.dataSize < available) {
        available = layout.dataSize;
    }
    const uint32_t dataSize = available - available % format.wf.nBlockAlign;
    if (dataSize < minimumData) {
        return false;
    }
    bool written = false;
    {
        HandleGuard take(CreateFileA(target, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        if (!take.IsOpen()) {
            return false;
        }
        written = WriteHeader(take.Get(), format, dataSize) &&
                  CopySamples(recording.Get(), layout.dataOffset, dataSize, take.Get()) &&
                  ((dataSize & 1) == 0 || WriteAll(take.Get(), "", 1));
    }
    if (!written || !IsCompleteTake(target, dataSize)) {
        DeleteFileA(target);
        return false;
    }
    return true;
}
