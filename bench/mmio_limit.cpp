// Finds how large a recording the multimedia file functions write correctly: for each number of
// sample bytes on the command line, writes a RIFF/WAVE as the waveform-audio device does into the
// temporary folder, reads back the file's size and its header's sizes, and deletes the file at
// once. Prints one line per size; exits 0 when every file agrees with what was written, 1 when
// one does not, 2 when one could not be written or read.
//
//   mmio_limit.exe 2147483600 2147483604 2147483608

#include <windows.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "bench/mmio_wave_file.h"

namespace {

// Room left beside the file, so that a try never fills the volume.
constexpr uint64_t kSpareBytes = uint64_t{256} << 20;

int Measure(const char* folder, uint64_t sampleBytes) {
    char path[MAX_PATH + 32];
    snprintf(path, sizeof(path), "%smmio-limit-%lu.wav", folder, GetCurrentProcessId());
    if (FreeBytesAt(folder) < MmioWaveFileBytes(sampleBytes) + kSpareBytes) {
        printf("samples=%" PRIu64 " skipped: too little free space in %s\n", sampleBytes, folder);
        return 2;
    }
    const ULONGLONG start = GetTickCount64();
    DWORD dataOffset = 0;
    const char* failed = WriteWaveThroughMmio(path, sampleBytes, &dataOffset);
    const ULONGLONG elapsedMs = GetTickCount64() - start;
    MmioWaveSizes sizes;
    const bool read = ReadMmioWaveSizes(path, &sizes);
    DeleteFileA(path);
    if (failed != nullptr || !read) {
        printf("samples=%" PRIu64 " failed: %s\n", sampleBytes,
               failed != nullptr ? failed : "reading it back");
        return 2;
    }
    const bool agree = dataOffset == kMmioWaveHeaderBytes && MmioWaveSizesAgree(sizes, sampleBytes);
    printf("samples=%" PRIu64 " file=%" PRIu64 " riff=%lu data=%lu data_offset=%lu stray=%" PRId64
           " agree=%s write_ms=%llu\n",
           sampleBytes, sizes.fileBytes, static_cast<unsigned long>(sizes.riffSize),
           static_cast<unsigned long>(sizes.dataSize), dataOffset,
           static_cast<int64_t>(sizes.fileBytes - MmioWaveFileBytes(sampleBytes)), agree ? "yes" : "no",
           elapsedMs);
    fflush(stdout);
    return agree ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: mmio_limit.exe <sample bytes>...\n");
        return 2;
    }
    char folder[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof(folder), folder);
    if (length == 0 || length >= sizeof(folder)) {
        fprintf(stderr, "no temporary folder\n");
        return 2;
    }
    int worst = 0;
    for (int i = 1; i < argc; ++i) {
        const int result = Measure(folder, strtoull(argv[i], nullptr, 0));
        worst = result > worst ? result : worst;
    }
    return worst;
}
