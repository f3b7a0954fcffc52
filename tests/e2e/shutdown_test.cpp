// Closing the window: a running take is saved, an idle program writes nothing; both end with 0.

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/program_test.h"

namespace e2e {
namespace {

using E2eShutdown = ProgramTest;

TEST_F(E2eShutdown, ClosingDuringATakeSavesItAndExitsWithZero) {
    TakeTimes times;
    ASSERT_TRUE(StartTake(&times));
    ASSERT_TRUE(window_.WaitForCount(1));
    times.stopClicked = NowMs();
    ASSERT_TRUE(CloseWindowAndExitCleanly());
    times.idleSeen = NowMs();

    EXPECT_EQ(folder_.Entries(), std::vector<std::string>{"default.wav"});
    WavFile wav;
    ASSERT_TRUE(IsTakeOf(folder_.File("default.wav"), kCdFormat, &wav));
    EXPECT_TRUE(LastsAsLongAsTake(wav, times));
}

TEST_F(E2eShutdown, ClosingWhileIdleWritesNothingAndExitsWithZero) {
    // Settings a user may have touched change nothing about an idle close.
    ASSERT_TRUE(WriteText(window_.Control(kFileNameEditId), folder_.File("never.wav")));
    ASSERT_TRUE(CloseWindowAndExitCleanly());
    EXPECT_TRUE(folder_.Entries().empty());
}

}  // namespace
}  // namespace e2e
