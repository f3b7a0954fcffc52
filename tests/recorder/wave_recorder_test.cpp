#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "recorder/input_watch.h"
#include "recorder/save_target.h"
#include "recorder/take_file.h"
#include "recorder/wave_recorder.h"
#include "tests/support/commands_and_texts.h"
#include "tests/support/kept_take.h"
#include "tests/support/long_path_files.h"
#include "tests/support/registry_value.h"
#include "tests/support/scripted_device.h"
#include "tests/support/scripted_recorder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav_builder.h"
#include "tests/support/wav_file.h"

namespace {

// Stands for a box that tells where the take was kept, in the tables.
const char kKept[] = "kept";

// A kWine device's recording file: a 44-byte header whose sizes are still 0, then the samples,
// several copy pieces of them, in a pattern that a copy repeating or dropping a piece would not
// match.
Bytes RecordingFileBytes(size_t samples) {
    Bytes pattern(samples);
    for (size_t i = 0; i < samples; ++i) {
        pattern[i] = static_cast<uint8_t>(i % 251);
    }
    return Riff({FormatChunk(PcmFormat(2, 44100, 16)), Chunk("data", pattern, 0)}, 0);
}

class ScriptedRecorderTest : public ::testing::Test {
protected:
    void UseProfile(DeviceProfile profile) {
        g_script = Script();
        g_script.profile = profile;
        g_script.tick = 1000;
        WireToScript(recorder);
    }
    void SetUp() override { UseProfile(DeviceProfile::kDocumented); }
    void TearDown() override {
        EXPECT_EQ(device.hungCommands, 0u) << "a command to a device without its input, which never returns";
        EXPECT_EQ(recorder.RefusedSteps(), 0u) << "a step the stage table refuses";
        // Leave nothing for the destructor to send to a device that is gone.
        device.onCommand = nullptr;
        device.onMessage = nullptr;
        recorder.StopAndSave();
        RemoveScriptedSavesOutside(folder.Path());
    }
    std::vector<UINT> Commands() const { return device.Commands(); }
    // What the user was told, in order; kKept stands for where a take was kept.
    void ExpectTold(const std::vector<std::string>& told) {
        ASSERT_EQ(messages.size(), told.size());
        for (size_t i = 0; i < told.size(); ++i) {
            EXPECT_EQ(messages[i].rfind(told[i] == kKept ? kTakeKeptAt : told[i], 0), 0u) << messages[i];
        }
    }
    size_t Count(UINT command) const { return device.Count(command); }
    // Ticks every half second for ms; true when the watch ended the take.
    bool TickFor(DWORD ms) {
        for (DWORD t = 0; t < ms; t += 500) {
            device.tick += 500;
            if (recorder.WatchTake()) {
                return true;
            }
        }
        return false;
    }

    TempDir folder{"recorder"};
    Script& device = g_script;
    std::vector<std::string>& messages = g_script.messages;
    WaveRecorder recorder;
};

// Every test of this suite runs against the device as documented and as Wine's behaves.
class WaveRecorderTest : public ScriptedRecorderTest, public ::testing::WithParamInterface<DeviceProfile> {
protected:
    void SetUp() override { UseProfile(GetParam()); }
};

const auto kProfiles = ::testing::Values(DeviceProfile::kDocumented, DeviceProfile::kWine);

std::string ProfileName(DeviceProfile profile) {
    return profile == DeviceProfile::kWine ? "Wine" : "Documented";
}

INSTANTIATE_TEST_SUITE_P(Profiles, WaveRecorderTest, kProfiles, [](const auto& profile) {
    return ProfileName(profile.param);
});

// The rows of a table under both devices, each row a test of its own, so that a failed row leaves
// nothing behind for the next.
template <typename Row>
class WaveRecorderTableTest : public ScriptedRecorderTest,
                              public ::testing::WithParamInterface<std::tuple<DeviceProfile, Row>> {
protected:
    void SetUp() override { UseProfile(std::get<0>(this->GetParam())); }
    bool Wine() const { return std::get<0>(this->GetParam()) == DeviceProfile::kWine; }
    const Row& Case() const { return std::get<1>(this->GetParam()); }
};

template <typename Row, size_t count>
auto UnderBothDevices(const Row (&rows)[count]) {
    return ::testing::Combine(kProfiles, ::testing::ValuesIn(rows));
}

// The profile and the row's name, each character that is no letter or digit an underscore:
// "Wine_stop_after_a_sleep".
template <typename Row>
std::string RowName(const ::testing::TestParamInfo<std::tuple<DeviceProfile, Row>>& info) {
    std::string name = ProfileName(std::get<0>(info.param)) + "_" + std::get<1>(info.param).name;
    std::replace_if(
        name.begin(), name.end(), [](char c) { return !isalnum(static_cast<unsigned char>(c)); }, '_');
    return name;
}

TEST_P(WaveRecorderTest, ATakeSendsTheSixCommandsWithTheirFlags) {
    const std::string target = folder.File("take.wav");
    recorder.StartRecording(target.c_str());
    EXPECT_EQ(recorder.IsRecording(), 1);
    recorder.StopAndSave();
    EXPECT_EQ(recorder.IsRecording(), 0);
    EXPECT_TRUE(messages.empty());

    ASSERT_EQ(Commands(), kTakeCommands);
    const auto& sent = device.sent;
    EXPECT_EQ(sent[0].device, 0u);
    EXPECT_EQ(sent[0].flags, 0x3600u);  // type, type id, element, and an alias of its own
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(sent[0].open.lpstrDeviceType), 522u);
    EXPECT_STREQ(sent[0].open.lpstrElementName, "");
    EXPECT_STRNE(sent[0].open.lpstrAlias, "");
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

TEST_P(WaveRecorderTest, EveryCommandFailingReportsSixMessagesInOrderAndStillCycles) {
    for (UINT command : {MCI_OPEN, MCI_SET, MCI_RECORD, MCI_STOP, MCI_SAVE, MCI_CLOSE}) {
        device.results[command] = MCIERR_DEVICE_NOT_READY;
    }
    recorder.StartRecording(folder.File("take.wav").c_str());
    EXPECT_EQ(recorder.IsRecording(), 1);
    EXPECT_EQ(recorder.LastError(), static_cast<uint32_t>(MCIERR_DEVICE_NOT_READY));
    recorder.StopAndSave();
    EXPECT_EQ(recorder.IsRecording(), 0);

    // The failed save is followed by the attempt to keep the take elsewhere, which the scripted
    // device refuses as well.
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
    DWORD pausedMs;  // the recorder's clock while the device was asked whether it records
};

class WaveRecorderModeTest : public ScriptedRecorderTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(WaveRecorderModeTest, ARecordThatDidNotStartIsReportedAndTheTakeStillCycles) {
    const ModeCase& c = GetParam();
    device.mode = c.mode;
    device.results[MCI_STATUS] = c.statusAnswer;
    const std::string target = folder.File("take.wav");
    const DWORD before = device.tick;
    recorder.StartRecording(target.c_str());
    EXPECT_EQ(device.tick - before, c.pausedMs);

    EXPECT_EQ(recorder.IsRecording(), 1);
    EXPECT_EQ(messages, c.reported ? std::vector<std::string>{kRecordFailed} : std::vector<std::string>{});
    // What the record command returned: the device's own answer, not one made up for it.
    EXPECT_EQ(recorder.LastError(), 0u);
    recorder.StopAndSave();
    EXPECT_EQ(Commands(), kTakeCommands);
    EXPECT_EQ(device.sent[4].fileName, target);
    EXPECT_EQ(recorder.IsRecording(), 0);
}

INSTANTIATE_TEST_SUITE_P(Modes,
                         WaveRecorderModeTest,
                         ::testing::Values(ModeCase{"Recording", MCI_MODE_RECORD, 0, false, 0},
                                           ModeCase{"Stopped", MCI_MODE_STOP, 0, true, 0},
                                           ModeCase{"NotReady", MCI_MODE_NOT_READY, 0, true, 1000},
                                           ModeCase{"ModeUnknown", MCI_MODE_STOP, MCIERR_UNSUPPORTED_FUNCTION,
                                                    false, 0}),
                         [](const auto& mode) { return std::string(mode.param.name); });

// A device that stopped after refusing the record command is not reported a second time.
TEST_F(ScriptedRecorderTest, AFailedRecordIsReportedOnce) {
    device.results[MCI_RECORD] = MCIERR_WAVE_INPUTSUNSUITABLE;
    device.mode = MCI_MODE_STOP;
    recorder.StartRecording(folder.File("take.wav").c_str());
    EXPECT_EQ(messages, (std::vector<std::string>{kRecordFailed}));
}

TEST_F(ScriptedRecorderTest, AfterAFailedOpenTheLaterCommandsGoToTheLastDeviceId) {
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

TEST_F(ScriptedRecorderTest, StopWhileIdleSendsNothingAndShowsNothing) {
    recorder.StopAndSave();
    EXPECT_TRUE(device.sent.empty());
    EXPECT_TRUE(messages.empty());
}

TEST_F(ScriptedRecorderTest, SetFormatIsRefusedDuringATake) {
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

TEST_F(ScriptedRecorderTest, ElapsedSecondsTruncatesAndSurvivesTheTickWrap) {
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
TEST_F(ScriptedRecorderTest, TheFormatSentFollowsEveryPreset) {
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

TEST_F(ScriptedRecorderTest, AnExistingTargetIsNeverOverwritten) {
    ASSERT_TRUE(WriteBytes(folder.File("take.wav"), {}));
    ASSERT_TRUE(WriteBytes(folder.File("take-0.wav"), {}));
    recorder.StartRecording(folder.File("take.wav").c_str());
    recorder.StopAndSave();
    ASSERT_EQ(Count(MCI_SAVE), 1u);
    EXPECT_EQ(device.sent[4].fileName, folder.File("take-1.wav"));
}

// The keep folder is one the user sees and Windows does not empty: not the temporary folder. The
// take kept there is read back whole before the user is told; a keeping save that comes out short
// is no kept take.
struct KeepingSave {
    const char* name;
    size_t cutTo;  // the bytes the save into the keep folder leaves
};
const KeepingSave kKeepingSaves[] = {{"whole", SIZE_MAX}, {"cut short", 1000}};
using MissingFolderTest = WaveRecorderTableTest<KeepingSave>;

TEST_P(MissingFolderTest, ATakeForAMissingFolderIsKeptInTheMusicFolderOnlyWhenItIsWhole) {
    const size_t keptCutTo = Case().cutTo;
    device.saveCutTo = keptCutTo;
    const std::string target = folder.File("missing\\take.wav");
    recorder.StartRecording(target.c_str());
    device.positionMs += 1000;
    recorder.StopAndSave();

    ASSERT_EQ(Count(MCI_SAVE), 1u) << "the device is asked to save once, where it can";
    const std::string kept = device.sent[4].fileName;
    std::string keepFolder;
    ASSERT_TRUE(KeepFolder(&keepFolder));
    EXPECT_EQ(kept.rfind(keepFolder, 0), 0u) << kept;
    EXPECT_NE(kept.find("take"), std::string::npos) << kept;
    const std::vector<std::string> told = {kSaveFailed,
                                           keptCutTo == SIZE_MAX ? kTakeKeptAt + kept : kTakeLost};
    EXPECT_EQ(messages, told);
    EXPECT_EQ(recorder.IsRecording(), 0);
    EXPECT_EQ(Commands().back(), static_cast<UINT>(MCI_CLOSE));
}

INSTANTIATE_TEST_SUITE_P(Rows, MissingFolderTest, UnderBothDevices(kKeepingSaves), RowName<KeepingSave>);

TEST_P(WaveRecorderTest, ASaveRefusedByTheDeviceIsSavedAgainInTheKeepFolder) {
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
    EXPECT_EQ(messages, (std::vector<std::string>{kSaveFailed, kTakeKeptAt + device.sent[5].fileName}));
}

TEST_P(WaveRecorderTest, NestedCallsFromAnErrorBoxOpenNoSecondDeviceAndSaveOnce) {
    // Every error box lets the window's messages through: a click or a tick can call back in.
    device.results[MCI_SET] = MCIERR_OUTOFRANGE;
    device.results[MCI_STOP] = MCIERR_NONAPPLICABLE_FUNCTION;
    device.onMessage = [&](const std::string&) {
        recorder.StartRecording(folder.File("other.wav").c_str());
        recorder.StopAndSave();
        recorder.WatchTake();
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

// A box of the stop waits for the user only once the take is on disk: the whole stop has been
// sent when the first box comes up, so the end of the session during it loses nothing.
TEST_P(WaveRecorderTest, TheStopsBoxesComeOnceTheTakeIsOnDisk) {
    device.results[MCI_STOP] = MCIERR_NONAPPLICABLE_FUNCTION;
    device.results[MCI_CLOSE] = MCIERR_NONAPPLICABLE_FUNCTION;
    std::vector<std::vector<UINT>> sentAtBox;
    device.onMessage = [&](const std::string&) {
        sentAtBox.push_back(Commands());
        EXPECT_TRUE(IsFile(folder.File("take.wav")));
    };
    recorder.StartRecording(folder.File("take.wav").c_str());
    recorder.StopAndSave();
    EXPECT_EQ(messages, (std::vector<std::string>{kStopFailed, kCloseFailed}));
    EXPECT_EQ(sentAtBox, (std::vector<std::vector<UINT>>{kTakeCommands, kTakeCommands}));
}

TEST_F(ScriptedRecorderTest, DestructionSavesARunningTake) {
    {
        WaveRecorder local;
        WireToScript(local);
        local.StartRecording(folder.File("take.wav").c_str());
        device.sent.clear();
    }
    EXPECT_EQ(Commands(), kStopCommands);
}

// The path buffer holds 303 bytes of text and its terminator.
TEST_F(ScriptedRecorderTest, AnOverlongPathIsCutAtTheBufferNotPastIt) {
    std::string longPath(1000, 'a');
    recorder.StartRecording(longPath.c_str());
    EXPECT_EQ(std::string(recorder.path), longPath.substr(0, 303));
}

// The input dies during a take, or the save does not come out whole. The user is told once, and
// the take is kept whole: where the device cannot be stopped without its input (Wine) it is sent
// nothing more and the take is written from its recording file; a save found short is removed
// from the user's name only once a whole copy is kept. A device that records nothing from the
// start is told as well, with no word of a take lost, and the next take starts.
enum class End { kWatch, kStop, kStopAfterSleep };
enum class Nothing { kRecorded, kLengthFails, kLengthStaysZero };
struct KeptTakeCase {
    const char* name;
    bool inputDies;
    End end;
    size_t saveCutTo;   // bytes the device's first save leaves in the target
    DWORD saveShortMs;  // or the sound it leaves out, with sizes that agree
    bool eightBitMono;
    std::vector<std::string> documented, wine;  // what the user is told (kKept: where it was kept)
    Nothing nothing = Nothing::kRecorded;
};

const std::vector<std::string> kKeptElsewhere = {kSaveFailed, kKept};
const KeptTakeCase kKeptTakeCases[] = {
    {"watch", true, End::kWatch, SIZE_MAX, 0, false, {kInputLost}, {kInputLost}},
    // A documented device stops without its input, so nothing tells the stop apart.
    {"stop", true, End::kStop, SIZE_MAX, 0, false, {}, {kInputLost}},
    // The machine slept: how far the length lags behind is not known, and the input is dead.
    {"stop after a sleep", true, End::kStopAfterSleep, SIZE_MAX, 0, false, {}, {kInputLost}},
    {"cut short", false, End::kStop, 1000, 0, false, kKeptElsewhere, kKeptElsewhere},
    {"well-formed but short", false, End::kStop, SIZE_MAX, 100, false, kKeptElsewhere, kKeptElsewhere},
    {"2 ms short", false, End::kStop, SIZE_MAX, 2, false, kKeptElsewhere, kKeptElsewhere},
    // An odd number of 8-bit samples, padded to an even chunk as RIFF wants: whole.
    {"padded", false, End::kStop, SIZE_MAX, 0, true, {}, {}},
    {"padded and cut short", false, End::kStop, 1000, 0, true, kKeptElsewhere, kKeptElsewhere},
    {"no length", true, End::kWatch, SIZE_MAX, 0, false, {kInputLost}, {kInputLost}, Nothing::kLengthFails},
    {"no length at the stop", true, End::kStop, SIZE_MAX, 0, false, {}, {kInputLost}, Nothing::kLengthFails},
    // Wine's length grows a buffer at a time while it records; a documented one need not.
    {"length 0", true, End::kWatch, SIZE_MAX, 0, false, {}, {kInputLost}, Nothing::kLengthStaysZero},
};
using KeptWholeTest = WaveRecorderTableTest<KeptTakeCase>;

TEST_P(KeptWholeTest, ATakeWhoseInputDiesOrWhoseSaveIsNotWholeIsKeptWhole) {
    const KeptTakeCase& c = Case();
    const Bytes recording = RecordingFileBytes(2 * 176400 + 3);
    device.recordingFile = folder.File(std::string(c.name) + ".tmp");
    const bool nothing = c.nothing != Nothing::kRecorded;  // and no recording file
    ASSERT_TRUE(nothing || WriteBytes(device.recordingFile, recording));
    device.saveCutTo = c.saveCutTo;
    device.saveShortMs = c.saveShortMs;
    device.msPerLengthQuestion = c.end != End::kWatch ? 1000 : 0;
    device.stopGrowsMs = 80;
    recorder.SetFormat(c.eightBitMono ? 11025 : 44100, c.eightBitMono ? 8 : 16, c.eightBitMono ? 1 : 2);
    const std::string target = folder.File(std::string(c.name) + ".wav");
    device.lengthFails = c.nothing == Nothing::kLengthFails;
    device.lengthOnlyAfterStop = c.nothing == Nothing::kLengthStaysZero;
    device.inputAlive = !nothing;
    recorder.StartRecording(target.c_str());
    device.positionMs = nothing ? 0 : c.eightBitMono ? 1091 : 1000;  // 11025 * 1.092 s: 12039 bytes
    TickFor(nothing ? 0 : 1000);
    device.inputAlive = !c.inputDies;
    const std::vector<std::string>& told = Wine() ? c.wine : c.documented;
    if (c.end == End::kWatch) {
        EXPECT_EQ(TickFor(8000), !told.empty());
    }
    device.tick += c.end == End::kStopAfterSleep ? 60000 : 0;
    recorder.StopAndSave();
    EXPECT_EQ(recorder.IsRecording(), 0);
    const bool notWhole = c.saveCutTo != SIZE_MAX || c.saveShortMs != 0;
    const bool rebuilt = Wine() && (c.inputDies || notWhole);
    ExpectTold(told);
    // A documented device names no recording file, so it is asked to save once more.
    std::vector<UINT> sent = Wine() && c.inputDies ? kStartCommands : kTakeCommands;
    if (!Wine() && notWhole) {
        sent.insert(sent.begin() + 4, MCI_SAVE);
    }
    EXPECT_EQ(Commands(), sent);
    if (nothing) {
        EXPECT_EQ(IsFile(target), !Wine());
        recorder.StartRecording(target.c_str());
        EXPECT_EQ(Count(MCI_OPEN), 2u) << "no next take";
        return;
    }
    const std::string kept = told.empty() || told.back() != kKept ? target : KeptPathIn(messages.back());
    WavFile wav;
    std::string error;
    ASSERT_TRUE(ReadWavFile(kept, &wav, &error)) << kept << ": " << error;
    if (rebuilt) {
        // Whole frames of the recording file's samples, each piece where it belongs.
        const size_t frames = (recording.size() - 44) / device.wave.nBlockAlign * device.wave.nBlockAlign;
        EXPECT_TRUE(wav.data == Bytes(recording.begin() + 44, recording.begin() + 44 + frames));
    } else {
        EXPECT_GE(wav.data.size(), device.positionMs * device.wave.nAvgBytesPerSec / 1000 - 200) << kept;
    }
    if (c.eightBitMono) {
        EXPECT_EQ(wav.data.size() % 2, 1u) << "the row no longer makes an odd-sized chunk";
    }
    if (kept != target) {
        EXPECT_FALSE(IsFile(target)) << "a file under the user's name that is not the take";
        DeleteFileA(kept.c_str());
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, KeptWholeTest, UnderBothDevices(kKeptTakeCases), RowName<KeptTakeCase>);

// A device left with its dead input (Wine's cannot be stopped) whose length grows again was alive
// after all: at the next start, at the session's end (the input back while the box says it died)
// or when the window is closed (the recorder is destroyed), it is stopped, its whole recording
// saved under the next free name and closed, instead of recording unseen until the program ends.
// The user is told, but not at the session's end. The dead input's take, too, went to the next
// free name.
// A Wine device recording take.wav whose input has just died, its recording file holding a second.
class LeftDeviceFixture : public ScriptedRecorderTest {
protected:
    void RecordTillTheInputDies() {
        UseProfile(DeviceProfile::kWine);
        device.recordingFile = folder.File("MCI1.tmp");
        ASSERT_TRUE(WriteBytes(device.recordingFile, RecordingFileBytes(176400)));
        recorder.StartRecording(folder.File("take.wav").c_str());
        device.positionMs += 1000;
        TickFor(1000);
        device.inputAlive = false;
    }
};

enum LeftDeviceEnd { kNextStart, kSessionsEnd, kDestruction };
class LeftDeviceTest : public LeftDeviceFixture, public ::testing::WithParamInterface<LeftDeviceEnd> {};

TEST_P(LeftDeviceTest, ADeviceLeftForDeadThatComesBackIsSavedAtTheNextStartOrTheSessionsEnd) {
    const bool sessionEnds = GetParam() == kSessionsEnd;
    ASSERT_TRUE(WriteBytes(folder.File("take.wav"), {}));
    RecordTillTheInputDies();
    device.onMessage = [&](const std::string&) {
        if (sessionEnds) {
            device.inputAlive = true;
            recorder.FinishTakeSilently();
        }
    };
    ASSERT_TRUE(TickFor(8000));
    EXPECT_TRUE(IsFile(folder.File("take-0.wav")));
    std::vector<UINT> reclaimed = kTakeCommands;
    if (!sessionEnds) {
        EXPECT_EQ(Commands(), kStartCommands);
        device.inputAlive = true;
        device.idOnOpen = 8;
        if (GetParam() == kDestruction) {
            std::destroy_at(&recorder);
            WireToScript(*std::construct_at(&recorder));
        } else {
            recorder.StartRecording(folder.File("next.wav").c_str());
            reclaimed.insert(reclaimed.end(), kStartCommands.begin(), kStartCommands.end());
        }
    }
    ASSERT_EQ(Commands(), reclaimed);
    EXPECT_EQ(device.sent[4].device, 7u);
    EXPECT_EQ(device.sent[4].fileName, folder.File("take-1.wav"));
    std::vector<std::string> told = {kInputLost};
    if (!sessionEnds) {
        told.push_back(kTakeKeptAt + folder.File("take-1.wav"));
    }
    EXPECT_EQ(messages, told);
}

const char* const kLeftDeviceEnds[] = {"NextStart", "SessionsEnd", "Destruction"};
INSTANTIATE_TEST_SUITE_P(Ends,
                         LeftDeviceTest,
                         ::testing::Values(kNextStart, kSessionsEnd, kDestruction),
                         [](const auto& end) { return std::string(kLeftDeviceEnds[end.param]); });

// A take started while a device is still left with its dead input records in a device of its own:
// the left one keeps its place, and is saved when the session ends with its input back.
TEST_F(LeftDeviceFixture, ATakeStartedBesideADeviceLeftForDeadLeavesItsPlaceToIt) {
    RecordTillTheInputDies();
    ASSERT_TRUE(TickFor(8000));
    recorder.StartRecording(folder.File("next.wav").c_str());
    device.inputAlive = true;
    recorder.FinishTakeSilently();
    std::map<MCIDEVICEID, std::string> savedBy;
    for (const SentCommand& save : device.Sent(MCI_SAVE)) {
        savedBy[save.device] = save.fileName;
    }
    EXPECT_EQ(savedBy, (std::map<MCIDEVICEID, std::string>{{7, folder.File("take-0.wav")},
                                                           {8, folder.File("next.wav")}}));
}

// A live input that only looks dead for a while is never judged dead (more in the watch's table):
// a device that tells no length until the stop, or a length still for the second before the click
// and two more into the stop's wait. The take ends as any other.
struct LooksDeadCase {
    const char* name;
    DWORD stillMs;  // ticks every half second with the length standing still
    bool lengthOnlyAfterStop;
    DWORD lateMs;  // then the length stands still this long from the last second's ticks on
};
const LooksDeadCase kLooksDeadCases[] = {
    {"no length until the stop", 12000, true, 0},
    {"late at the stop", 0, false, 3000},
};
using LooksDeadTest = WaveRecorderTableTest<LooksDeadCase>;

TEST_P(LooksDeadTest, AnInputThatOnlyLooksDeadIsNotJudgedDead) {
    const LooksDeadCase& c = Case();
    if (Wine() && c.lengthOnlyAfterStop) {
        GTEST_SKIP()
            << "Wine's length grows while it records: one that stays 0 recorded nothing (KeptWholeTest)";
    }
    device.lengthOnlyAfterStop = c.lengthOnlyAfterStop;
    recorder.StartRecording(folder.File("take.wav").c_str());
    device.positionMs += 1000;
    EXPECT_FALSE(TickFor(1000));
    device.inputAlive = false;
    EXPECT_FALSE(TickFor(c.stillMs));
    device.inputAlive = true;
    device.lateUntilTick = device.tick + c.lateMs;
    EXPECT_FALSE(TickFor(1000));
    device.msPerLengthQuestion = 100;  // the stop's wait sees its time pass
    recorder.StopAndSave();
    EXPECT_EQ(Commands(), kTakeCommands);
    EXPECT_TRUE(messages.empty()) << messages.front();
}

INSTANTIATE_TEST_SUITE_P(Rows, LooksDeadTest, UnderBothDevices(kLooksDeadCases), RowName<LooksDeadCase>);

// The watch judges from what it is fed: a length growing with the time for liveMs (less a lostEvery-th:
// a drifting clock), then one look jumpMs late (a sleep) and still for stillMs; looks every 500 ms.
struct WatchRow {
    const char* name;
    DWORD liveMs, lostEvery, jumpMs, stillMs;
    InputReading::Says says;
    bool lengthTold, stopsWithoutInput, dead, lagsBehind;
};
using Says = InputReading::Says;
const WatchRow kWatchRows[] = {
    {"still for 4 s", 1000, 0, 0, 4000, Says::kRecords, true, true, false, true},
    {"still for 5 s", 1000, 0, 0, 5000, Says::kRecords, true, true, true, true},
    {"still for 1 s, says it stopped", 1000, 0, 0, 1000, Says::kDoesNotRecord, true, true, true, true},
    {"still, mode not told", 1000, 0, 0, 10000, Says::kCannotTell, true, true, false, true},
    {"clock jump", 1000, 0, 60000, 4000, Says::kRecords, true, true, false, true},
    {"drifted over half an hour", 1800000, 1800, 0, 0, Says::kRecords, true, true, false, false},
    {"nothing for 2 s", 0, 0, 0, 2000, Says::kRecords, true, false, true, true},
    {"nothing for 2 s where a stop needs no input", 0, 0, 0, 2000, Says::kRecords, true, true, false, true},
    {"no length told for 2 s", 0, 0, 0, 2000, Says::kRecords, false, true, true, true},
};

TEST(InputWatchTest, JudgesTheInputFromTheLengthsAndTheModeItIsFed) {
    for (const WatchRow& row : kWatchRows) {
        InputWatch watch;
        watch.Begin(0, 0);
        InputReading reading = {row.lengthTold, 0, row.says, row.stopsWithoutInput};
        bool dead = false;
        DWORD now = 0;
        for (DWORD ms = 500; ms <= row.liveMs + row.stillMs; ms += 500) {
            now = ms + (ms > row.liveMs ? row.jumpMs : 0);
            const DWORD heard = ms <= row.liveMs ? ms : row.liveMs;
            reading.lengthMs = heard - (row.lostEvery ? heard / row.lostEvery : 0);
            dead = watch.SeesDeadInput(reading, now) || dead;
        }
        EXPECT_EQ(dead, row.dead) << row.name;
        EXPECT_EQ(watch.LagsBehind(now), row.lagsBehind) << row.name;
    }
}

// A take too long for one file: each file is saved under the next free name when it nears the
// limit, and the take goes on in a new device; its seconds count on from its start. A fault at the
// hand-over is told once the next file records, and the take goes on unless the next file cannot
// record. A device that reads "not ready" for a moment after its record command records all the same.
struct LongTakeCase {
    const char* name;
    UINT failing;  // the command that fails at the first hand-over: its first save, its open
    int failingTime;
    bool sessionEndsInBox;
    bool goesOn;
    std::vector<std::string> told;
    std::vector<std::string> files;
    int failingTimes = 1;  // in a row: the next file's open is tried twice where two may record
    DWORD notReadyMs = 0;  // after each record command
    bool firstCloseFails = false;
};
const LongTakeCase kLongTakeCases[] = {
    {"clean", 0, 0, false, true, {}, {"take-0.wav", "take-1.wav", "take-2.wav", "take.wav"}},
    {"save fails", MCI_SAVE, 1, false, true, {kSaveFailed, kKept}, {"take-0.wav", "take-1.wav", "take.wav"}},
    {"next open fails", MCI_OPEN, 2, false, false, {kOpenFailed}, {"take.wav"}, 2},
    {"session ends in the box", MCI_SAVE, 1, true, false, {kSaveFailed}, {"take.wav"}},
    {"not ready at first",
     0,
     0,
     false,
     true,
     {},
     {"take-0.wav", "take-1.wav", "take-2.wav", "take.wav"},
     1,
     100},
    // A next device whose format is refused would record in its own: it is closed, and the files
    // follow one another; its close failing blocks no later open.
    {"next set fails", MCI_SET, 2, false, true, {}, {"take-0.wav", "take-1.wav", "take-2.wav", "take.wav"}},
    {"next set and close fail",
     MCI_SET,
     2,
     false,
     true,
     {},
     {"take-0.wav", "take-1.wav", "take-2.wav", "take.wav"},
     1,
     0,
     true},
};
using LongTakeTest = WaveRecorderTableTest<LongTakeCase>;

TEST_P(LongTakeTest, ALongTakeGoesOnInTheNextFreeNames) {
    const LongTakeCase& c = Case();
    // A second of CD sound and its header.
    recorder.handOverBytes = kWaveHeaderSize + 176400;
    device.notReadyForMs = c.notReadyMs;
    int sent = 0;
    auto fails = [&](int time) { return time >= c.failingTime && time < c.failingTime + c.failingTimes; };
    device.results[c.failing] = fails(1) ? MCIERR_FILE_NOT_FOUND : 0;
    device.results[MCI_CLOSE] = c.firstCloseFails ? MCIERR_DEVICE_NOT_READY : 0;
    device.onCommand = [&](UINT command) {
        if (command == c.failing) {
            device.results[c.failing] = fails(++sent + 1) ? MCIERR_FILE_NOT_FOUND : 0;
        }
        if (command == MCI_CLOSE) {
            device.results[MCI_CLOSE] = 0;
        }
    };
    device.onMessage = [&](const std::string&) {
        if (c.sessionEndsInBox) {
            recorder.FinishTakeSilently();
        }
    };
    recorder.StartRecording(folder.File("take.wav").c_str());
    EXPECT_EQ(TickFor(3200), !c.goesOn) << "the watch tells whether the take ended";
    EXPECT_EQ(recorder.ElapsedSeconds(), c.goesOn ? 3u : 0u);
    recorder.StopAndSave();
    ExpectTold(c.told);
    EXPECT_EQ(folder.Entries(), c.files);
    for (const std::string& name : c.files) {
        WavFile wav;
        std::string error;
        EXPECT_TRUE(ReadWavFile(folder.File(name), &wav, &error)) << name << ": " << error;
        DeleteFileA(folder.File(name).c_str());
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, LongTakeTest, UnderBothDevices(kLongTakeCases), RowName<LongTakeCase>);

// Files of ten seconds whose saves take three (a copy, on Windows): the next file records before the
// one before it stops, and no second is lost.
TEST_P(WaveRecorderTest, ALongTakeLosesNoSoundWhileItsFilesAreSaved) {
    device.saveMs = 3000;
    recorder.handOverBytes = kWaveHeaderSize + 10 * 176400;
    recorder.StartRecording(folder.File("take.wav").c_str());
    EXPECT_FALSE(TickFor(40000));
    recorder.StopAndSave();
    EXPECT_TRUE(messages.empty());
    const std::vector<SentCommand> records = device.Sent(MCI_RECORD);
    const std::vector<SentCommand> stops = device.Sent(MCI_STOP);
    ASSERT_EQ(records.size(), stops.size());
    ASSERT_GE(records.size(), 3u);
    for (size_t i = 0; i + 1 < records.size(); ++i) {
        // The sound that no file holds: from one file's stop to the next one's record.
        const int32_t lostMs = static_cast<int32_t>(records[i + 1].tick - stops[i].tick);
        EXPECT_LE(lostMs, 0) << "hand-over " << i + 1;
    }
}

// A device that stops recording by itself (its input unplugged, its volume full) while the take
// runs: the user is told once, the sound up to the fault is saved, and the take is idle within a
// few seconds of the fault.
TEST_P(WaveRecorderTest, ADeviceThatStopsByItselfIsToldAndItsSoundSaved) {
    const std::string target = folder.File("take.wav");
    recorder.StartRecording(target.c_str());
    device.positionMs = 4000;
    EXPECT_FALSE(TickFor(4000));
    device.mode = MCI_MODE_STOP;
    device.inputAlive = false;
    DWORD idleAfterMs = 500;
    while (!TickFor(500) && idleAfterMs < 10000) {
        idleAfterMs += 500;
    }
    EXPECT_LE(idleAfterMs, 3000u);
    EXPECT_EQ(messages, std::vector<std::string>{kInputLost});
    EXPECT_EQ(Commands(), kTakeCommands);
    WavFile wav;
    std::string error;
    ASSERT_TRUE(ReadWavFile(target, &wav, &error)) << error;
    EXPECT_GE(wav.Seconds(), 3.5);
}

// At the fastest preset a file is handed over while more than a minute of sound still fits below
// the writer's 2 GiB limit, so that a tick a minute late (a machine too busy to answer) still comes
// in time; and not while two minutes still fit.
TEST_F(ScriptedRecorderTest, AFileIsHandedOverWithAMinuteToSpareBelowTwoGibibytes) {
    ASSERT_TRUE(recorder.SetFormat(48000, 16, 2));
    recorder.StartRecording(folder.File("take.wav").c_str());
    // 192 bytes a millisecond after the 44-byte header.
    const DWORD msToTheLimit = static_cast<DWORD>(((uint64_t{1} << 31) - 44) / 192);
    device.tick += msToTheLimit - 120000;
    EXPECT_FALSE(recorder.WatchTake());
    EXPECT_EQ(Commands(), kStartCommands) << "handed over with two minutes to spare";
    device.tick += 60000;
    EXPECT_FALSE(recorder.WatchTake());
    EXPECT_EQ(Count(MCI_SAVE), 1u) << "not handed over with a minute to spare";
    EXPECT_EQ(Count(MCI_RECORD), 2u);
}

// A Music folder that exists but takes no new file (a share gone read-only) is passed over: the
// take is kept in Documents. The user's Music folder is pointed at a read-only file system, which
// every program of the prefix sees, so the suite runs alone (CMakeLists.txt).
using KeepFolderTest = ScriptedRecorderTest;

TEST_F(KeepFolderTest, AMusicFolderThatTakesNoNewFileIsPassedOverForDocuments) {
    const RegistryValueOverride music(
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders", "My Music", "Z:\\proc");
    ASSERT_TRUE(music.IsSet()) << music.Error();
    std::string documents;
    ASSERT_TRUE(KeepFolder(&documents, CSIDL_PERSONAL));
    recorder.StartRecording(folder.File("missing\\take.wav").c_str());
    recorder.StopAndSave();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], kSaveFailed);
    EXPECT_EQ(KeptPathIn(messages[1]).rfind(documents, 0), 0u) << messages[1];
}

// A save writes a new file, which needs room, unless the device saves by renaming its recording
// file on the target's volume (Wine's): a take larger than that volume's free space is still
// saved at its target there, and only there. (The device refuses the save, so that nothing that
// large is written.)
TEST_P(WaveRecorderTest, ATakeLargerThanTheFreeSpaceIsSavedOnlyByARenameOnTheSameVolume) {
    TargetParts target;
    SplitTarget(folder.File("take.wav").c_str(), target);
    EXPECT_TRUE(HasRoomFor(target, 1000));
    EXPECT_FALSE(HasRoomFor(target, uint64_t{1} << 60));
    device.recordingFile = folder.File("MCI1.tmp");
    ASSERT_TRUE(WriteBytes(device.recordingFile, RecordingFileBytes(1000)));
    device.results[MCI_SAVE] = MCIERR_FILE_NOT_FOUND;
    const std::string otherVolume = "Z:\\tmp\\" + std::to_string(GetCurrentProcessId()) + "-take.wav";
    for (const std::string& path : {folder.File("take.wav"), otherVolume}) {
        ULARGE_INTEGER available = {};
        ASSERT_TRUE(GetDiskFreeSpaceExA(FolderOf(path).c_str(), &available, nullptr, nullptr)) << path;
        device.sent.clear();
        recorder.StartRecording(path.c_str());
        device.positionMs = available.QuadPart / 176;  // CD sound: 176.4 bytes a millisecond
        recorder.StopAndSave();
        ASSERT_GE(Count(MCI_SAVE), 1u);
        EXPECT_EQ(device.Sent(MCI_SAVE)[0].fileName == path,
                  GetParam() == DeviceProfile::kWine && path != otherVolume)
            << path;
    }
}

// Every layout RIFF allows is a whole take; one that claims more than it holds is not.
TEST(TakeFileTest, EveryLegalLayoutIsWholeAndACutOneIsNot) {
    TempDir folder{"layout"};
    const Bytes format = FormatChunk(PcmFormat(2, 44100, 16));
    const Bytes data = Chunk("data", Bytes(1000));
    const Bytes plain = Riff({format, data});
    const Bytes cutShort(plain.begin(), plain.end() - 10);
    const struct {
        const char* name;
        Bytes bytes;
        bool whole;
    } cases[] = {
        {"plain", plain, true},
        {"odd, padded", Riff({format, Chunk("data", Bytes(1001))}), true},
        {"a chunk after the data", Riff({format, data, Chunk("LIST", {'I', 'N', 'F', 'O'})}), true},
        {"an odd chunk before the data, padded", Riff({format, Chunk("JUNK", {1, 2, 3}), data}), true},
        {"cut short", cutShort, false},
        // Its size claims 8 bytes more than follow it.
        {"claims more than it holds", Riff({format, data}, static_cast<uint32_t>(plain.size())), false},
    };
    for (const auto& c : cases) {
        const std::string path = folder.File(std::string(c.name) + ".wav");
        ASSERT_TRUE(WriteBytes(path, c.bytes));
        EXPECT_EQ(IsCompleteTake(path.c_str(), 1000), c.whole) << c.name;
    }
}

}  // namespace
