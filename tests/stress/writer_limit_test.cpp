// The recorder hands a take over to a new file before it reaches kWriterLimitBytes, trusting that
// the device's writer gets every file below that size right. A file just below it, written the way
// the device writes, must come out with exact sizes: on a platform whose limit is lower this fails
// here instead of in a user's long take.

#include <windows.h>

#include <gtest/gtest.h>

#include "bench/mmio_wave_file.h"
#include "recorder/file_size_limit.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(StressWriterLimit, AFileJustBelowTheLimitHasExactSizes) {
    // The most whole frames that keep the file, header included, under the limit.
    const uint64_t sampleBytes =
        (kWriterLimitBytes - 1 - kMmioWaveHeaderBytes) / kMmioFrameBytes * kMmioFrameBytes;
    TempDir folder("limit");
    const uint64_t needed = MmioWaveFileBytes(sampleBytes);
    const uint64_t room = FreeBytesAt(folder.Path().c_str());
    if (room < needed + kHandOverMarginBytes) {
        GTEST_SKIP() << "the temporary folder's volume has " << room << " bytes free, " << needed
                     << " are needed and a margin";
    }
    const std::string path = folder.File("limit.wav");
    DWORD dataOffset = 0;
    const char* failed = WriteWaveThroughMmio(path.c_str(), sampleBytes, &dataOffset);
    ASSERT_EQ(failed, nullptr) << failed;
    MmioWaveSizes sizes;
    ASSERT_TRUE(ReadMmioWaveSizes(path.c_str(), &sizes));
    DeleteFileA(path.c_str());
    EXPECT_EQ(dataOffset, kMmioWaveHeaderBytes);
    EXPECT_EQ(sizes.fileBytes, needed);
    EXPECT_EQ(sizes.riffSize, needed - kMmioChunkHeaderBytes);
    EXPECT_EQ(sizes.dataSize, sampleBytes);
}

}  // namespace
