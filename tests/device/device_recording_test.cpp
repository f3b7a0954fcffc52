#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "recorder/capture_thread_watch.h"
#include "recorder/recorder_texts.h"
#include "recorder/wave_recorder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tone_detector.h"
#include "tests/support/wav_file.h"

// These tests record from the real waveform-audio device. The test command feeds it a steady
// 1 kHz tone, so every take must carry that tone.
namespace {

std::vector<std::string> g_messages;

void KeepMessage(const char* message) {
    g_messages.push_back(message);
}

// The device writes whole capture buffers of a third of a second and starts capturing a little
// after the record command returns, so a take's length is only known to about that much; and a
// stop first waits to see one more buffer come in, which shows that the input still lives.
constexpr double kEarlySeconds = 0.25;
constexpr double kLateSeconds = 0.5 + 1.0 / 3.0;

struct Take {
    std::string path;
    double seconds;  // from the start returning to the stop being asked for
};

Take RecordTake(WaveRecorder& recorder, const std::string& path, DWORD milliseconds) {
    recorder.StartRecording(path.c_str());
    const DWORD started = GetTickCount();
    Sleep(milliseconds);  // the take's own length, not a wait for anything
    const double seconds = (GetTickCount() - started) / 1000.0;
    recorder.StopAndSave();
    return {recorder.path, seconds};
}

// The RIFF size in the header counts everything after its first 8 bytes: the device patches it
// when the take is saved, and a take cut short leaves it wrong.
uint64_t RiffSizePlusHeader(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char header[8] = {};
    in.read(reinterpret_cast<char*>(header), sizeof(header));
    return 8u + (header[4] | header[5] << 8 | header[6] << 16 | uint64_t{header[7]} << 24);
}

uint64_t FileSize(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return static_cast<uint64_t>(in.tellg());
}

void ExpectToneTake(const Take& take, const RecordingFormat& format) {
    WavFile wav;
    std::string reason;
    ASSERT_TRUE(ReadWavFile(take.path, &wav, &reason)) << take.path << ": " << reason;
    const WORD blockAlign = static_cast<WORD>(format.channels * format.bitsPerSample / 8);
    EXPECT_EQ(wav.format.formatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(wav.format.sampleRate, format.sampleRate);
    EXPECT_EQ(wav.format.channels, format.channels);
    EXPECT_EQ(wav.format.bitsPerSample, format.bitsPerSample);
    EXPECT_EQ(wav.format.blockAlign, blockAlign);
    EXPECT_EQ(wav.format.bytesPerSecond, format.sampleRate * blockAlign);
    EXPECT_EQ(RiffSizePlusHeader(take.path), FileSize(take.path)) << "RIFF size of " << take.path;
    EXPECT_GE(wav.Seconds(), take.seconds - kEarlySeconds) << take.path;
    EXPECT_LE(wav.Seconds(), take.seconds + kLateSeconds) << take.path;
    for (unsigned channel = 0; channel < format.channels; ++channel) {
        const ToneScan scan = ScanForTone(ChannelSamples(wav, channel), wav.format.sampleRate, 1000.0);
        EXPECT_TRUE(scan.Carries(0.8)) << "the 1 kHz tone in channel " << channel << " of " << take.path
                                       << ": " << scan.blocksWithTone << " of " << scan.blocks << " blocks";
        const ToneScan other = ScanForTone(ChannelSamples(wav, channel), wav.format.sampleRate, 1370.0);
        EXPECT_EQ(other.blocksWithTone, 0u) << "nothing but the tone in " << take.path;
    }
}

class DeviceRecordingTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_messages.clear();
        recorder.onError = KeepMessage;
    }

    TempDir folder{"device"};
    WaveRecorder recorder;
};

TEST_F(DeviceRecordingTest, EveryPresetRecordsTheToneInItsFormat) {
    const RecordingFormat presets[] = {
        {48000, 2, 16}, {44100, 2, 16}, {44100, 1, 16}, {32000, 2, 16},
        {22050, 2, 16}, {22050, 1, 16}, {11025, 1, 16}, {11025, 1, 8},
    };
    int index = 0;
    for (const auto& format : presets) {
        SCOPED_TRACE(format.sampleRate);
        ASSERT_TRUE(recorder.SetFormat(format.sampleRate, format.bitsPerSample, format.channels));
        const std::string path = folder.File("preset" + std::to_string(index++) + ".wav");
        const Take take = RecordTake(recorder, path, 1200);
        EXPECT_EQ(take.path, path);
        ExpectToneTake(take, format);
    }
    EXPECT_TRUE(g_messages.empty()) << g_messages.front();
}

TEST_F(DeviceRecordingTest, TakesToAnExistingNameGetTheNextFreeNumbers) {
    const std::string path = folder.File("take.wav");
    const Take first = RecordTake(recorder, path, 600);
    const Take second = RecordTake(recorder, path, 600);
    const Take third = RecordTake(recorder, path, 600);
    EXPECT_EQ(first.path, path);
    EXPECT_EQ(second.path, folder.File("take-0.wav"));
    EXPECT_EQ(third.path, folder.File("take-1.wav"));
    for (const Take& take : {first, second, third}) {
        ExpectToneTake(take, {44100, 2, 16});
    }
}

TEST_F(DeviceRecordingTest, ATakeForAMissingFolderIsReportedAndKept) {
    const Take take = RecordTake(recorder, folder.File("missing\\take.wav"), 1000);
    EXPECT_EQ(GetFileAttributesA(folder.File("missing").c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_EQ(g_messages.size(), 2u);
    EXPECT_EQ(g_messages[0], kSaveFailed);
    const std::string prefix = "録音は次のファイルに保存しました:\n";
    ASSERT_EQ(g_messages[1].rfind(prefix, 0), 0u) << g_messages[1];
    const std::string kept = g_messages[1].substr(prefix.size());
    ExpectToneTake({kept, take.seconds}, {44100, 2, 16});
    DeleteFileA(kept.c_str());
}

// Saving and closing while the driver's capture thread is still finishing used to crash the
// process within a few takes; twenty short takes in a row must all come out whole.
TEST_F(DeviceRecordingTest, TwentyShortTakesInARowDoNotCrash) {
    for (int i = 0; i < 20; ++i) {
        const Take take = RecordTake(recorder, folder.File("short.wav"), 150 + 10 * i);
        WavFile wav;
        std::string reason;
        ASSERT_TRUE(ReadWavFile(take.path, &wav, &reason)) << i << ": " << reason;
        EXPECT_EQ(RiffSizePlusHeader(take.path), FileSize(take.path)) << take.path;
    }
    EXPECT_TRUE(g_messages.empty()) << g_messages.front();
}

TEST(CaptureThreadWatch, FindsTheDriversCaptureThreadAndSeesItEnd) {
    char empty[] = "";
    MCI_OPEN_PARMSA open = {};
    open.lpstrDeviceType = reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(MCI_DEVTYPE_WAVEFORM_AUDIO));
    open.lpstrElementName = empty;
    ASSERT_EQ(mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID | MCI_OPEN_ELEMENT,
                              reinterpret_cast<DWORD_PTR>(&open)),
              0u);
    CaptureThreadWatch watch;
    watch.NoteExistingThreads();
    MCI_RECORD_PARMS record = {};
    EXPECT_EQ(mciSendCommandA(open.wDeviceID, MCI_RECORD, 0, reinterpret_cast<DWORD_PTR>(&record)), 0u);
    watch.FindDriverThreads();
    EXPECT_EQ(watch.Count(), 1u);
    Sleep(300);
    MCI_GENERIC_PARMS generic = {};
    EXPECT_EQ(mciSendCommandA(open.wDeviceID, MCI_STOP, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&generic)), 0u);
    EXPECT_TRUE(watch.WaitForDriverThreads(10000));
    EXPECT_EQ(watch.Count(), 0u);
    EXPECT_EQ(mciSendCommandA(open.wDeviceID, MCI_CLOSE, 0, reinterpret_cast<DWORD_PTR>(&generic)), 0u);
}

}  // namespace
