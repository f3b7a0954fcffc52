// The status panel through a take, read as often as a watching user could.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/program_test.h"

namespace e2e {
namespace {

using E2eStatus = ProgramTest;

TEST_F(E2eStatus, ShowsRecordingUntilTheFirstTickThenCountsUpFromZero) {
    bool begun = false;
    ASSERT_TRUE(window_.ClickStart());
    std::vector<std::string> seen = window_.WatchStatus(
        [&](const std::string& status) {
            begun = begun || IsRecordingStatus(status);
            int count = 0;
            return (begun && status == kStatusIdle) || (ParseStatusCount(status, &count) && count >= 3);
        },
        kPatientMs);
    TakeTimes times;
    ASSERT_TRUE(StopTake(&times));

    // The click may be handled before the first look; drop the idle text from before it.
    while (!seen.empty() && seen.front() == kStatusIdle) {
        seen.erase(seen.begin());
    }
    ASSERT_GE(seen.size(), 3u) << ::testing::PrintToString(seen);
    EXPECT_EQ(seen[0], kStatusRecording);
    EXPECT_EQ(seen[1], "録音中 0秒");
    int previous = -1;
    for (size_t i = 1; i < seen.size(); ++i) {
        int count = 0;
        ASSERT_TRUE(ParseStatusCount(seen[i], &count)) << ::testing::PrintToString(seen);
        EXPECT_GT(count, previous) << ::testing::PrintToString(seen);
        previous = count;
    }
    EXPECT_GE(previous, 3) << "the take ended by itself: " << ::testing::PrintToString(seen);
    EXPECT_EQ(window_.Status(), kStatusIdle);
}

}  // namespace
}  // namespace e2e
