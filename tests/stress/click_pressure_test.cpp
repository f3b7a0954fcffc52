// Clicks faster than a hand: start and stop posted in a burst, and clicks posted while an error
// box holds the program inside a start or a stop. Every take that started is saved exactly once,
// none twice, and the program ends idle.

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/stress/stress_test.h"
#include "tests/support/kept_take.h"

namespace e2e {
namespace {

constexpr int kBurstPairs = 50;
constexpr int kNestedPairs = 20;
// A burst of takes goes as fast as the device allows; this bounds a hung one.
constexpr DWORD kBurstTimeoutMs = kBurstPairs * 5000;

using StressClicks = StressTest;

TEST_F(StressClicks, BurstOfFiftyStartStopPairsSavesFiftyTakesEachOnce) {
    ASSERT_TRUE(WriteText(window_.Control(kFileNameEditId), folder_.File("take.wav")));
    ASSERT_TRUE(PostStartStopPairs(kBurstPairs, kBurstTimeoutMs));
    EXPECT_EQ(window_.Status(), kStatusIdle);
    EXPECT_TRUE(NoErrorBoxOpen());

    ASSERT_EQ(folder_.Entries(), TakeNames(kBurstPairs));
    // Takes this short hold a third of a second or so, a few blocks each, too few to judge one
    // take by; together they must carry the tone.
    ToneScan all;
    for (const std::string& name : TakeNames(kBurstPairs)) {
        WavFile wav;
        std::string error;
        ASSERT_TRUE(ReadWavFile(folder_.File(name), &wav, &error)) << error;
        EXPECT_TRUE(HasFormat(wav, name, kCdFormat));
        const ToneScan scan = ScanForTestTone(wav);
        all.blocks += scan.blocks;
        all.blocksWithTone += scan.blocksWithTone;
    }
    EXPECT_TRUE(all.Carries(0.5)) << all.blocksWithTone << " of " << all.blocks << " blocks carry the tone";
}

TEST_F(StressClicks, ClicksWhileTheSaveErrorBoxesAreOpenChangeNothing) {
    std::string keepFolder;
    ASSERT_TRUE(KeepFolder(&keepFolder));
    // A folder that does not exist: the stop reports the save and keeps the take elsewhere.
    const std::string missing = folder_.File("missing") + "\\nested-clicks.wav";
    ASSERT_TRUE(WriteText(window_.Control(kFileNameEditId), missing));
    ASSERT_TRUE(window_.ClickStart());
    ASSERT_TRUE(WaitForStatusWithoutBox(IsRecordingStatus, "the take to start"));
    ASSERT_TRUE(window_.ClickStop());
    HWND box = WaitForMessageBox(ProcessId(), kErrorCaption);
    ASSERT_NE(box, nullptr) << "no box after stop" << ProgramState();
    EXPECT_EQ(MessageBoxText(box), kSaveFailed);

    // A nested start would open a second device and a nested stop would save a second time.
    ASSERT_TRUE(PostStartStopPairs(kNestedPairs));
    EXPECT_EQ(FindMessageBoxes(ProcessId(), kErrorCaption).size(), 1u) << "error boxes open";
    EXPECT_EQ(programTemp_.Entries(), std::vector<std::string>{}) << "the take is kept before its first box";
    ASSERT_TRUE(DismissMessageBox(box));

    HWND keptBox = WaitForMessageBox(ProcessId(), kErrorCaption);
    ASSERT_NE(keptBox, nullptr) << "no box saying where the take was kept" << ProgramState();
    ASSERT_TRUE(PostStartStopPairs(kNestedPairs));
    EXPECT_EQ(FindMessageBoxes(ProcessId(), kErrorCaption).size(), 1u) << "error boxes open";
    KeptTakeRemover kept;
    ASSERT_TRUE(AnswerTakeKeptBox(&kept.path));

    ASSERT_TRUE(WaitForStatusWithoutBox(IsIdleStatus, "\"停止\""));
    // Still idle once everything queued has been handled: no nested start slipped through.
    ASSERT_TRUE(PostStartStopPairs(0));
    EXPECT_EQ(window_.Status(), kStatusIdle);
    EXPECT_TRUE(NoErrorBoxOpen());
    EXPECT_EQ(programTemp_.Entries(), std::vector<std::string>{}) << "the working file became the kept take";
    EXPECT_EQ(kept.path, keepFolder + "nested-clicks.wav");
    EXPECT_TRUE(IsTakeOf(kept.path, kCdFormat));
    EXPECT_EQ(folder_.Entries(), std::vector<std::string>{});
}

using StressNoDeviceClicks = NoDeviceStressTest;

TEST_F(StressNoDeviceClicks, ClicksWhileTheRecordErrorBoxIsOpenChangeNothing) {
    ASSERT_TRUE(WriteText(window_.Control(kFileNameEditId), folder_.File("take.wav")));
    ASSERT_TRUE(window_.ClickStart());
    HWND box = WaitForMessageBox(ProcessId(), kErrorCaption);
    ASSERT_NE(box, nullptr) << "no box after start" << ProgramState();
    EXPECT_EQ(MessageBoxText(box), kRecordFailed);

    ASSERT_TRUE(PostStartStopPairs(kNestedPairs));
    EXPECT_EQ(FindMessageBoxes(ProcessId(), kErrorCaption).size(), 1u) << "error boxes open";
    EXPECT_EQ(folder_.Entries(), std::vector<std::string>{});
    ASSERT_TRUE(DismissMessageBox(box));

    // The one start goes on as a take; the stop saves it once.
    ASSERT_TRUE(WaitForStatusWithoutBox(IsRecordingStatus, "the take"));
    ASSERT_TRUE(window_.ClickStop());
    ASSERT_TRUE(WaitForStatusWithoutBox(IsIdleStatus, "\"停止\""));
    ASSERT_TRUE(PostStartStopPairs(0));
    EXPECT_EQ(window_.Status(), kStatusIdle);
    EXPECT_TRUE(NoErrorBoxOpen());
    EXPECT_EQ(folder_.Entries(), std::vector<std::string>{"take.wav"});
    WavFile wav;
    std::string error;
    ASSERT_TRUE(ReadWavFile(folder_.File("take.wav"), &wav, &error)) << error;
    EXPECT_TRUE(HasFormat(wav, "take.wav", kCdFormat));
}

}  // namespace
}  // namespace e2e
