#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recorder/capture_thread_watch.h"
#include "recorder/device_command.h"
#include "recorder/handle_guard.h"
#include "recorder/wave_recorder.h"
#include "tests/support/commands_and_texts.h"
#include "tests/support/presets.h"
#include "tests/support/take_check.h"
#include "tests/support/temp_dir.h"
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

// Run alone, with nothing else loading the machine, the tone fills nearly the whole take.
constexpr double kToneShare = 0.8;

void ExpectToneTake(const Take& take, const TakeFormat& format) {
    WavFile wav;
    ASSERT_TRUE(IsTakeOf(take.path, format, &wav, kToneShare));
    EXPECT_GE(wav.Seconds(), take.seconds - kEarlySeconds) << take.path;
    EXPECT_LE(wav.Seconds(), take.seconds + kLateSeconds) << take.path;
}

class DeviceRecordingTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_messages.clear();
        recorder.onError = KeepMessage;
    }
    void TearDown() override { EXPECT_EQ(recorder.RefusedSteps(), 0u); }

    TempDir folder{"device"};
    WaveRecorder recorder;
};

TEST_F(DeviceRecordingTest, EveryPresetRecordsTheToneInItsFormat) {
    for (int index = 0; index < kPresetCount; ++index) {
        const TakeFormat& format = kPresets[index].format;
        SCOPED_TRACE(kPresets[index].text);
        ASSERT_TRUE(recorder.SetFormat(static_cast<uint16_t>(format.sampleRate), format.bitsPerSample,
                                       format.channels));
        const std::string path = folder.File("preset" + std::to_string(index) + ".wav");
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
        ExpectToneTake(take, kCdFormat);
    }
}

TEST_F(DeviceRecordingTest, ATakeForAMissingFolderIsReportedAndKept) {
    const Take take = RecordTake(recorder, folder.File("missing\\take.wav"), 1000);
    EXPECT_EQ(GetFileAttributesA(folder.File("missing").c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_EQ(g_messages.size(), 2u);
    EXPECT_EQ(g_messages[0], kSaveFailed);
    ASSERT_EQ(g_messages[1].rfind(kTakeKeptAt, 0), 0u) << g_messages[1];
    const std::string kept = KeptPathIn(g_messages[1]);
    ExpectToneTake({kept, take.seconds}, kCdFormat);
    DeleteFileA(kept.c_str());
}

// Saving and closing while the driver's capture thread is still finishing used to crash the
// process within a few takes; twenty short takes in a row must all come out whole.
TEST_F(DeviceRecordingTest, TwentyShortTakesInARowDoNotCrash) {
    for (int i = 0; i < 20; ++i) {
        const Take take = RecordTake(recorder, folder.File("short.wav"), 150 + 10 * i);
        WavFile wav;
        std::string error;
        ASSERT_TRUE(ReadWavFile(take.path, &wav, &error)) << "take " << i << ": " << error;
    }
    EXPECT_TRUE(g_messages.empty()) << g_messages.front();
}

// The record and stop commands, in the order they reached the device.
std::vector<UINT> g_recordsAndStops;

MCIERROR WINAPI SendAndNote(MCIDEVICEID device, UINT command, DWORD_PTR flags, DWORD_PTR params) {
    if (command == MCI_RECORD || command == MCI_STOP) {
        g_recordsAndStops.push_back(command);
    }
    return SendDeviceCommand(device, command, flags, params);
}

// A take longer than one file may hold, with the limit lowered to 512 KiB (about 3 s of CD sound):
// it goes on in take-0.wav, take-1.wav and take-2.wav, each a whole take of the tone, and its
// seconds count the whole take. At every hand-over the next file's device records before the one
// before it is stopped (each device opened under an alias of its own, as a second device needs),
// so the files together hold every moment of the take, the moments of each hand-over twice: the
// next file's start, the look at the input and the stop, a second at most. The take runs until
// its third hand-over is done, however late on a loaded machine.
constexpr double kOverlapSeconds = 1.0;
TEST_F(DeviceRecordingTest, ALongTakeGoesOnInTheNextFilesWithTheToneInEach) {
    recorder.handOverBytes = 1 << 19;
    recorder.sendCommand = SendAndNote;
    g_recordsAndStops.clear();
    const std::string path = folder.File("take.wav");
    recorder.StartRecording(path.c_str());
    const DWORD started = GetTickCount();
    const std::string thirdFile = folder.File("take-1.wav");
    DWORD thirdHandOver = 0;
    while ((thirdHandOver == 0 || GetTickCount() - thirdHandOver < 2000) &&
           GetTickCount() - started < 40000) {
        Sleep(500);  // the window's tick
        EXPECT_FALSE(recorder.WatchTake());
        if (thirdHandOver == 0 && GetFileAttributesA(thirdFile.c_str()) != INVALID_FILE_ATTRIBUTES) {
            thirdHandOver = GetTickCount();
        }
    }
    EXPECT_NE(thirdHandOver, 0u) << "no third hand-over in 40 s";
    const double seconds = (GetTickCount() - started) / 1000.0;
    EXPECT_NEAR(recorder.ElapsedSeconds(), seconds, 1.0) << "the count of the whole take";
    recorder.StopAndSave();
    EXPECT_TRUE(g_messages.empty()) << g_messages.front();

    const std::vector<std::string> names = {"take-0.wav", "take-1.wav", "take-2.wav", "take.wav"};
    ASSERT_EQ(folder.Entries(), names);
    std::vector<UINT> overlapping = {MCI_RECORD};
    for (size_t i = 1; i < names.size(); ++i) {
        overlapping.insert(overlapping.end(), {MCI_RECORD, MCI_STOP});
    }
    overlapping.push_back(MCI_STOP);
    EXPECT_EQ(g_recordsAndStops, overlapping) << "a hand-over whose files follow one another";
    double recorded = 0;
    std::string lengths;
    for (const std::string& name : names) {
        WavFile wav;
        EXPECT_TRUE(IsTakeOf(folder.File(name), kCdFormat, &wav, kToneShare)) << name;
        recorded += wav.Seconds();
        lengths += " " + name + " " + std::to_string(wav.Seconds()) + " s";
    }
    EXPECT_GE(recorded, seconds - kEarlySeconds) << lengths;
    const double handOvers = static_cast<double>(names.size() - 1);
    EXPECT_LE(recorded, seconds + kLateSeconds + handOvers * kOverlapSeconds) << lengths;
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
    // Without a thread of the driver found there would be nothing to see end.
    EXPECT_GE(watch.Count(), 1u) << "no thread running the driver's code appeared with the take";
    Sleep(300);
    MCI_GENERIC_PARMS generic = {};
    EXPECT_EQ(mciSendCommandA(open.wDeviceID, MCI_STOP, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&generic)), 0u);
    EXPECT_TRUE(watch.WaitForDriverThreads(10000));
    EXPECT_EQ(mciSendCommandA(open.wDeviceID, MCI_CLOSE, 0, reinterpret_cast<DWORD_PTR>(&generic)), 0u);
}

// A driver whose capture thread lives on after the stop (until the close, say) must not hold the
// window's thread: the wait gives that thread up at its bound and says so. The thread here starts in
// the driver's code and never runs.
TEST(CaptureThreadWatch, GivesUpOnADriverThreadThatLivesOn) {
    HMODULE driver = LoadLibraryA("mciwave.dll");
    ASSERT_NE(driver, nullptr);
    const auto start = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void (*)()>(GetProcAddress(driver, "DriverProc")));
    ASSERT_NE(start, nullptr);
    CaptureThreadWatch watch;
    watch.NoteExistingThreads();
    const HandleGuard thread(CreateThread(nullptr, 0, start, nullptr, CREATE_SUSPENDED, nullptr));
    ASSERT_TRUE(thread.IsOpen());
    watch.FindDriverThreads();
    EXPECT_EQ(watch.Count(), 1u);
    EXPECT_FALSE(watch.WaitForDriverThreads());
    EXPECT_EQ(watch.Count(), 0u);
    TerminateThread(thread.Get(), 0);
    FreeLibrary(driver);
}

}  // namespace
