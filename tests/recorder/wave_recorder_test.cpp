#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "recorder/wave_recorder.h"
#include "tests/support/long_path_files.h"
#include "tests/support/scripted_device.h"
#include "tests/support/scripted_recorder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav_file.h"

namespace {

// What the recorder must say, written out here rather than taken from the program, so that a
// slip in its texts shows.
const char kOpenFailed[] = "エラー:MCI_OPEN";
const char kSetFailed[] = "エラー:MCI_SET";
const char kRecordFailed[] = "エラー:MCI_RECORD";
const char kStopFailed[] = "エラー:MCI_STOP";
const char kSaveFailed[] = "エラー:MCI_SAVE";
const char kCloseFailed[] = "エラー:MCI_CLOSE";
const char kTakeLost[] = "録音を保存できませんでした";
const char kInputLost[] = "エラー:録音の入力が止まりました。録音をここで終えます。";

void CreateEmptyFile(const std::string& path) {
    ASSERT_TRUE(WriteBytes(path, {})) << path;
}

class WaveRecorderTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_script = Script();
        g_script.tick = 1000;
        WireToScript(recorder);
    }
    void TearDown() override {
        // Leave nothing for the destructor to send to a device that is gone.
        device.onCommand = nullptr;
        device.onMessage = nullptr;
        recorder.StopAndSave();
    }
    std::vector<UINT> Commands() const { return device.Commands(); }
    size_t Count(UINT command) const { return device.Count(command); }

    TempDir folder{"recorder"};
    Script& device = g_script;
    std::vector<std::string>& messages = g_script.messages;
    WaveRecorder recorder;
};

TEST_F(WaveRecorderTest, ATakeSendsTheSixCommandsWithTheirFlags) {
    const std::string target = folder.File("take.wav");
    recorder.StartRecording(target.c_str());
    EXPECT_EQ(recorder.IsRecording(), 1);
    recorder.StopAndSave();
    EXPECT_EQ(recorder.IsRecording(), 0);
    EXPECT_TRUE(messages.empty());

    const std::vector<UINT> expected = {MCI_OPEN, MCI_SET, MCI_RECORD, MCI_STOP, MCI_SAVE, MCI_CLOSE};
    ASSERT_EQ(Commands(), expected);
    const auto& sent = device.sent;
    EXPECT_EQ(sent[0].device, 0u);
    EXPECT_EQ(sent[0].flags, 0x3200u);
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(sent[0].open.lpstrDeviceType), 522u);
    EXPECT_STREQ(sent[0].open.lpstrElementName, "");
    EXPECT_EQ(sent[1].flags, 0x003F0000u);
    EXPECT_EQ(sent[2].flags, 0u);
    EXPECT_EQ(sent[3].flags, 0x0002u);
    EXPECT_EQ(sent[4].flags, 0x0102u);
    EXPECT_EQ(sent[4].fileName, target);
    EXPECT_EQ(sent[5].flags, 0u);
    for (size_t i = 1; i < sent.size(); ++i) {
        EXPECT_EQ(sent[i].device, 7u) << "command " << i;
        // Every command carries a parameter block: the device rejects a null one for some.
        EXPECT_TRUE(sent[i].hasParams) << "command " << i;
    }
}

TEST_F(WaveRecorderTest, EveryCommandFailingReportsSixMessagesInOrderAndStillCycles) {
    for (UINT command : {MCI_OPEN, MCI_SET, MCI_RECORD, MCI_STOP, MCI_SAVE, MCI_CLOSE}) {
        device.results[command] = MCIERR_DEVICE_NOT_READY;
    }
    recorder.StartRecording(folder.File("take.wav").c_str());
    EXPECT_EQ(recorder.IsRecording(), 1);
    EXPECT_EQ(recorder.lastError, static_cast<uint32_t>(MCIERR_DEVICE_NOT_READY));
    recorder.StopAndSave();
    EXPECT_EQ(recorder.IsRecording(), 0);

    // The failed save is followed by the attempt to keep the take in the temporary folder,
    // which the scripted device refuses as well.
    const std::vector<std::string> expected = {kOpenFailed, kSetFailed, kRecordFailed, kStopFailed,
                                               kSaveFailed, kTakeLost,  kCloseFailed};
    EXPECT_EQ(messages, expected);
}

// After a record command that reported success, the device is asked whether it records: with no
// input at all a driver can accept the command and capture nothing.
struct ModeCase {
    const char* name;
    DWORD_PTR mode;
    MCIERROR statusAnswer;
    bool reported;
};

std::string ModeCaseName(const ::testing::TestParamInfo<ModeCase>& info) {
    return info.param.name;
}

class WaveRecorderModeTest : public WaveRecorderTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(WaveRecorderModeTest, ARecordThatDidNotStartIsReportedAndTheTakeStillCycles) {
    const ModeCase& c = GetParam();
    device.mode = c.mode;
    device.results[MCI_STATUS] = c.statusAnswer;
    const std::string target = folder.File("take.wav");
    recorder.StartRecording(target.c_str());

    EXPECT_EQ(recorder.IsRecording(), 1);
    EXPECT_EQ(messages, c.reported ? std::vector<std::string>{kRecordFailed} : std::vector<std::string>{});
    // What the record command returned: the device's own answer, not one made up for it.
    EXPECT_EQ(recorder.lastError, 0u);
    recorder.StopAndSave();
    const std::vector<UINT> expected = {MCI_OPEN, MCI_SET, MCI_RECORD, MCI_STOP, MCI_SAVE, MCI_CLOSE};
    EXPECT_EQ(Commands(), expected);
    EXPECT_EQ(device.sent[4].fileName, target);
    EXPECT_EQ(recorder.IsRecording(), 0);
}

INSTANTIATE_TEST_SUITE_P(Modes,
                         WaveRecorderModeTest,
                         ::testing::Values(ModeCase{"Recording", MCI_MODE_RECORD, 0, false},
                                           ModeCase{"Stopped", MCI_MODE_STOP, 0, true},
                                           ModeCase{"NotReady", MCI_MODE_NOT_READY, 0, true},
                                           ModeCase{"ModeUnknown", MCI_MODE_STOP, MCIERR_UNSUPPORTED_FUNCTION,
                                                    false}),
                         ModeCaseName);

// A device that stopped after refusing the record command is not reported a second time.
TEST_F(WaveRecorderTest, AFailedRecordIsReportedOnce) {
    device.results[MCI_RECORD] = MCIERR_WAVE_INPUTSUNSUITABLE;
    device.mode = MCI_MODE_STOP;
    recorder.StartRecording(folder.File("take.wav").c_str());
    EXPECT_EQ(messages, (std::vector<std::string>{kRecordFailed}));
}

TEST_F(WaveRecorderTest, AfterAFailedOpenTheLaterCommandsGoToTheLastDeviceId) {
    device.results[MCI_OPEN] = MCIERR_DEVICE_OPEN;
    recorder.StartRecording(folder.File("a.wav").c_str());
    recorder.StopAndSave();
    for (size_t i = 1; i < device.sent.size(); ++i) {
        EXPECT_EQ(device.sent[i].device, 0u) << "before any open succeeded";
    }

    device.results.clear();
    device.idOnOpen = 9;
    recorder.StartRecording(folder.File("b.wav").c_str());
    recorder.StopAndSave();
    device.sent.clear();
    device.results[MCI_OPEN] = MCIERR_DEVICE_OPEN;
    device.idOnOpen = 11;
    recorder.StartRecording(folder.File("c.wav").c_str());
    recorder.StopAndSave();
    for (size_t i = 1; i < device.sent.size(); ++i) {
        EXPECT_EQ(device.sent[i].device, 9u) << "the stale identifier of the last open";
    }
}

TEST_F(WaveRecorderTest, StopWhileIdleSendsNothingAndShowsNothing) {
    recorder.StopAndSave();
    EXPECT_TRUE(device.sent.empty());
    EXPECT_TRUE(messages.empty());
}

TEST_F(WaveRecorderTest, SetFormatIsRefusedDuringATake) {
    EXPECT_TRUE(recorder.SetFormat(22050, 8, 1));
    recorder.StartRecording(folder.File("take.wav").c_str());
    EXPECT_FALSE(recorder.SetFormat(48000, 16, 2));
    EXPECT_EQ(recorder.format.sampleRate, 22050);
    EXPECT_EQ(recorder.format.bitsPerSample, 8);
    EXPECT_EQ(recorder.format.channels, 1);
}

struct ElapsedRow {
    DWORD startTick;
    DWORD now;
    uint32_t seconds;
};

TEST_F(WaveRecorderTest, ElapsedSecondsTruncatesAndSurvivesTheTickWrap) {
    const ElapsedRow rows[] = {
        {1000, 1000, 0},      {1000, 1999, 0},        {1000, 3600, 2},
        {1000, 4000, 3},      {0xFFFFFC18u, 2000, 3},  // started 1 s before the wrap
        {0xFFFFFFFFu, 0, 0},                           // 1 ms across the wrap
        {0, 32768999, 32769},                          // single precision rounds up to the next second here
        {0, 32767999, 32767},
    };
    for (const auto& row : rows) {
        g_script.tick = row.startTick;
        recorder.StartRecording(folder.File("take.wav").c_str());
        g_script.tick = row.now;
        EXPECT_EQ(recorder.ElapsedSeconds(), row.seconds) << row.startTick << " -> " << row.now;
        recorder.StopAndSave();
        EXPECT_EQ(recorder.ElapsedSeconds(), 0u);
    }
}

struct FormatRow {
    uint16_t rate, bits, channels;
    WORD blockAlign;
    DWORD bytesPerSecond;
};

// The first row is a take before any SetFormat: a new recorder records in the CD format.
TEST_F(WaveRecorderTest, TheFormatSentFollowsEveryPreset) {
    const FormatRow rows[] = {
        {0, 0, 0, 4, 176400},     {48000, 16, 2, 4, 192000}, {44100, 16, 2, 4, 176400},
        {44100, 16, 1, 2, 88200}, {32000, 16, 2, 4, 128000}, {22050, 16, 2, 4, 88200},
        {22050, 16, 1, 2, 44100}, {11025, 16, 1, 2, 22050},  {11025, 8, 1, 1, 11025},
        {8000, 12, 1, 1, 8000},  // the fraction of a byte is dropped
    };
    for (const auto& row : rows) {
        const bool asMade = row.rate == 0;
        SCOPED_TRACE(asMade ? std::string("as made") : std::to_string(row.rate));
        device.sent.clear();
        if (!asMade) {
            ASSERT_TRUE(recorder.SetFormat(row.rate, row.bits, row.channels));
        }
        recorder.StartRecording(folder.File("take.wav").c_str());
        recorder.StopAndSave();
        ASSERT_GE(device.sent.size(), 2u);
        const MCI_WAVE_SET_PARMS& wave = device.sent[1].wave;
        EXPECT_EQ(wave.wFormatTag, WAVE_FORMAT_PCM);
        EXPECT_EQ(wave.nSamplesPerSec, asMade ? 44100u : row.rate);
        EXPECT_EQ(wave.nChannels, asMade ? 2u : row.channels);
        EXPECT_EQ(wave.wBitsPerSample, asMade ? 16u : row.bits);
        EXPECT_EQ(wave.nBlockAlign, row.blockAlign);
        EXPECT_EQ(wave.nAvgBytesPerSec, row.bytesPerSecond);
    }
}

TEST_F(WaveRecorderTest, AnExistingTargetIsNeverOverwritten) {
    CreateEmptyFile(folder.File("take.wav"));
    CreateEmptyFile(folder.File("take-0.wav"));
    recorder.StartRecording(folder.File("take.wav").c_str());
    recorder.StopAndSave();
    ASSERT_EQ(Count(MCI_SAVE), 1u);
    EXPECT_EQ(device.sent[4].fileName, folder.File("take-1.wav"));
}

TEST_F(WaveRecorderTest, ATakeForAMissingFolderIsReportedAndKeptInTheTemporaryFolder) {
    const std::string target = folder.File("missing\\take.wav");
    recorder.StartRecording(target.c_str());
    recorder.StopAndSave();

    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof(temp), temp);
    ASSERT_EQ(Count(MCI_SAVE), 1u) << "the device is asked to save once, where it can";
    const std::string kept = device.sent[4].fileName;
    EXPECT_EQ(kept.rfind(temp, 0), 0u) << kept;
    EXPECT_NE(kept.find("take"), std::string::npos) << kept;
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], kSaveFailed);
    EXPECT_EQ(messages[1], "録音は次のファイルに保存しました:\n" + kept);
    EXPECT_EQ(recorder.IsRecording(), 0);
    EXPECT_EQ(Commands().back(), static_cast<UINT>(MCI_CLOSE));
}

TEST_F(WaveRecorderTest, ASaveRefusedByTheDeviceIsRetriedInTheTemporaryFolder) {
    device.results[MCI_SAVE] = MCIERR_FILE_NOT_FOUND;
    // The first save is answered with the failure, every later one succeeds.
    device.onCommand = [&](UINT command) {
        if (command == MCI_SAVE) {
            device.results[MCI_SAVE] = 0;
        }
    };
    recorder.StartRecording(folder.File("take.wav").c_str());
    recorder.StopAndSave();
    ASSERT_EQ(Count(MCI_SAVE), 2u);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], kSaveFailed);
    EXPECT_EQ(messages[1].rfind("録音は次のファイルに保存しました:\n", 0), 0u);
}

TEST_F(WaveRecorderTest, NestedCallsFromAnErrorBoxOpenNoSecondDeviceAndSaveOnce) {
    // Every error box lets the window's messages through: a click or a tick can call back in.
    device.results[MCI_SET] = MCIERR_OUTOFRANGE;
    device.results[MCI_STOP] = MCIERR_NONAPPLICABLE_FUNCTION;
    device.onMessage = [&](const std::string&) {
        recorder.StartRecording(folder.File("other.wav").c_str());
        recorder.StopAndSave();
    };
    recorder.StartRecording(folder.File("take.wav").c_str());
    EXPECT_EQ(recorder.IsRecording(), 1);
    recorder.StopAndSave();
    EXPECT_EQ(recorder.IsRecording(), 0);

    EXPECT_EQ(Count(MCI_OPEN), 1u);
    EXPECT_EQ(Count(MCI_SAVE), 1u);
    EXPECT_EQ(Count(MCI_CLOSE), 1u);
    EXPECT_EQ(device.sent[4].fileName, folder.File("take.wav"));
    const std::vector<std::string> expected = {kSetFailed, kStopFailed};
    EXPECT_EQ(messages, expected);
}

TEST_F(WaveRecorderTest, DestructionSavesARunningTake) {
    {
        WaveRecorder local;
        WireToScript(local);
        local.StartRecording(folder.File("take.wav").c_str());
        device.sent.clear();
    }
    const std::vector<UINT> expected = {MCI_STOP, MCI_SAVE, MCI_CLOSE};
    EXPECT_EQ(Commands(), expected);
}

// The path buffer holds 303 bytes of text and its terminator.
TEST_F(WaveRecorderTest, AnOverlongPathIsCutAtTheBufferNotPastIt) {
    std::string longPath(1000, 'a');
    recorder.StartRecording(longPath.c_str());
    EXPECT_EQ(std::string(recorder.path), longPath.substr(0, 303));
}

// The input dies during a take. Whether the tick's watch notices it or a stop comes first, the
// device is sent nothing more (a stop would wait for ever), the user is told once, and the sound
// up to the fault is written from the device's own recording file as a complete WAV. A save that
// comes out short leaves no file claiming more than it holds, and the take is kept whole.
struct LostTakeCase {
    const char* name;
    bool inputDies;
    DWORD advanceMs;  // time since the input last grew, when the tick or the stop comes
    bool tickFirst;
    size_t saveCutTo;  // bytes the device's save leaves in the target
    std::vector<std::string> messages;
    std::vector<UINT> commands;
};

TEST_F(WaveRecorderTest, ATakeWhoseInputDiesOrWhoseSaveComesOutShortIsKeptWhole) {
    const std::vector<UINT> started = {MCI_OPEN, MCI_SET, MCI_RECORD};
    const LostTakeCase cases[] = {
        {"watch", true, 11000, true, SIZE_MAX, {kInputLost}, started},
        {"stop", true, 600, false, SIZE_MAX, {kInputLost}, started},
        {"short save",
         false,
         3000,
         false,
         1000,
         {kSaveFailed, "kept"},
         {MCI_OPEN, MCI_SET, MCI_RECORD, MCI_STOP, MCI_SAVE, MCI_CLOSE}},
    };
    for (const LostTakeCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        // The device's recording file: a header whose sizes are still 0, and 1001 bytes of sound.
        const std::string recordingFile = folder.File(std::string(c.name) + ".tmp");
        std::vector<uint8_t> bytes(44 + 1001, 0);
        memcpy(bytes.data(), "RIFF\0\0\0\0WAVEfmt \x10\0\0\0", 20);
        memcpy(bytes.data() + 36, "data", 4);
        ASSERT_TRUE(WriteBytes(recordingFile, bytes));
        device.recordingFile = recordingFile;
        device.saveCutTo = c.saveCutTo;
        const std::string target = folder.File(std::string(c.name) + ".wav");
        recorder.StartRecording(target.c_str());

        device.inputAlive = !c.inputDies;
        device.positionMs += c.inputDies ? 0 : 1000;  // a second of sound, whose save is cut short
        device.tick += c.advanceMs;
        if (c.tickFirst) {
            EXPECT_TRUE(recorder.WatchInput());
        } else {
            recorder.StopAndSave();
        }
        EXPECT_EQ(recorder.IsRecording(), 0);
        EXPECT_EQ(Commands(), c.commands);
        ASSERT_EQ(messages.size(), c.messages.size());
        EXPECT_EQ(messages[0], c.messages[0]);
        // The take is whole where it went: 1000 bytes, whole frames of 4, under its own name.
        const std::string kept =
            c.inputDies ? target : messages.back().substr(messages.back().find('\n') + 1);
        WavFile wav;
        std::string error;
        EXPECT_TRUE(ReadWavFile(kept, &wav, &error)) << kept << ": " << error;
        EXPECT_EQ(wav.data.size(), 1000u);
        if (!c.inputDies) {
            EXPECT_FALSE(IsFile(target)) << "the short file under the user's name";
            DeleteFileA(kept.c_str());
        }
    }
}

}  // namespace
