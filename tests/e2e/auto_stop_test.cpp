// The automatic stop: the box, the seconds edit, and takes that end (or do not end) by themselves.

#include <windows.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/program_test.h"

namespace e2e {
namespace {

// GetTickCount, which the program counts with, may lag the test's clock by a tick of its own.
constexpr double kClockSlackMs = 50;

enum class Entry { kTyped, kPasted };

struct LimitCase {
    const char* name;
    const char* text;
    Entry entry;
    int limit;  // the whole seconds the text stands for
};

// Shown in test names and failures instead of the record's bytes.
void PrintTo(const LimitCase& limit, std::ostream* out) {
    *out << '"' << limit.text << (limit.entry == Entry::kTyped ? "\" typed" : "\" pasted");
}

std::string LimitCaseName(const ::testing::TestParamInfo<LimitCase>& limit) {
    return limit.param.name;
}

class AutoStopTest : public ProgramTest {
protected:
    // Puts the limit into the seconds edit as the user would and arms the box.
    ::testing::AssertionResult ArmWithLimit(const LimitCase& limit) {
        HWND edit = window_.Control(kSecondsEditId);
        bool entered =
            limit.entry == Entry::kTyped ? TypeText(edit, limit.text) : WriteText(edit, limit.text);
        if (!entered || window_.Seconds() != limit.text) {
            return ::testing::AssertionFailure() << "the seconds edit reads \"" << window_.Seconds()
                                                 << "\" after entering \"" << limit.text << "\"";
        }
        return ClickAutoStop(true);
    }

    ::testing::AssertionResult ClickAutoStop(bool armed) {
        HWND box = window_.Control(kAutoStopCheckId);
        HWND edit = window_.Control(kSecondsEditId);
        if (!PostClick(box)) {
            return ::testing::AssertionFailure() << "cannot click the box";
        }
        if (!WaitUntil([&] { return IsChecked(box) == armed && !IsWindowEnabled(edit) == armed; })) {
            return ::testing::AssertionFailure()
                   << "after the click the box is " << (IsChecked(box) ? "" : "un") << "checked and the "
                   << "seconds edit " << (IsWindowEnabled(edit) ? "enabled" : "greyed");
        }
        return ::testing::AssertionSuccess();
    }
};

using E2eAutoStop = AutoStopTest;

TEST_F(E2eAutoStop, BoxGreysTheSecondsEditAndUngreysItAgain) {
    ASSERT_TRUE(ClickAutoStop(true));
    ASSERT_TRUE(ClickAutoStop(false));
    ASSERT_TRUE(ClickAutoStop(true));
    EXPECT_EQ(window_.Status(), kStatusIdle);
}

TEST_F(E2eAutoStop, SecondsEditTakesOnlyDigitsWhenTyped) {
    HWND edit = window_.Control(kSecondsEditId);
    ASSERT_TRUE(TypeText(edit, "2.9-x"));
    EXPECT_EQ(window_.Seconds(), "29");
    // A paste is not filtered.
    ASSERT_TRUE(WriteText(edit, "2.9"));
    EXPECT_EQ(window_.Seconds(), "2.9");
}

class E2eAutoStopEnds : public AutoStopTest, public ::testing::WithParamInterface<LimitCase> {};

// With a limit of N the take goes on while the count shows N and ends at the first tick that
// finds N + 1 seconds passed: never before N + 1 seconds after the start.
TEST_P(E2eAutoStopEnds, TakeEndsByItselfOnlyAfterTheLimitHasPassed) {
    const LimitCase& limit = GetParam();
    ASSERT_TRUE(ArmWithLimit(limit));

    bool begun = false;
    const double clicked = NowMs();
    ASSERT_TRUE(window_.ClickStart());
    std::vector<std::string> seen = window_.WatchStatus(
        [&](const std::string& status) {
            begun = begun || IsRecordingStatus(status);
            return begun && status == kStatusIdle;
        },
        kPatientMs, 20);
    const double ended = NowMs();
    ASSERT_EQ(seen.back(), kStatusIdle)
        << "the take did not end by itself: " << ::testing::PrintToString(seen) << ProgramState();

    std::vector<int> counts;
    for (const std::string& status : seen) {
        int count = 0;
        if (ParseStatusCount(status, &count)) {
            counts.push_back(count);
        }
    }
    ASSERT_FALSE(counts.empty()) << ::testing::PrintToString(seen);
    // The count of the limit itself is shown before the end; one above it only when that second
    // passes between the tick's check and its status.
    EXPECT_TRUE(std::find(counts.begin(), counts.end(), limit.limit) != counts.end())
        << "the count " << limit.limit << " was never shown: " << ::testing::PrintToString(seen);
    EXPECT_LE(counts.back(), limit.limit + 1) << ::testing::PrintToString(seen);
    EXPECT_GE(ended - clicked, (limit.limit + 1) * 1000.0 - kClockSlackMs);

    EXPECT_EQ(folder_.Entries(), std::vector<std::string>{"default.wav"});
    WavFile wav;
    ASSERT_TRUE(IsTakeOf(folder_.File("default.wav"), kCdFormat, &wav));
    EXPECT_GE(wav.Seconds(), limit.limit + 1.0 - 0.2);
    EXPECT_LE(wav.Seconds(), limit.limit + 1.0 + 2.0);
}

INSTANTIATE_TEST_SUITE_P(
    Limits,
    E2eAutoStopEnds,
    ::testing::Values(LimitCase{"Typed2", "2", Entry::kTyped, 2},
                      LimitCase{"PastedFraction2_9", "2.9", Entry::kPasted, 2},
                      // 2^32 + 1 keeps its low 32 bits: 1. Ten digits are pasted: typed, they
                      // need not fit the box, which does not scroll and may show only nine.
                      LimitCase{"Pasted4294967297", "4294967297", Entry::kPasted, 1}),
    LimitCaseName);

class E2eAutoStopNever : public AutoStopTest, public ::testing::WithParamInterface<LimitCase> {};

// Limits whose low 32 bits are 0 (no automatic stop) or far beyond any take.
TEST_P(E2eAutoStopNever, TakeGoesOnUntilStopped) {
    ASSERT_TRUE(ArmWithLimit(GetParam()));
    TakeTimes times;
    ASSERT_TRUE(StartTake(&times));
    EXPECT_TRUE(window_.WaitForCount(5))
        << "the take ended by itself; the status reads \"" << window_.Status() << "\"";
    ASSERT_TRUE(StopTake(&times));
    WavFile wav;
    ASSERT_TRUE(IsTakeOf(folder_.File("default.wav"), kCdFormat, &wav));
    EXPECT_TRUE(LastsAsLongAsTake(wav, times));
}

INSTANTIATE_TEST_SUITE_P(Limits,
                         E2eAutoStopNever,
                         ::testing::Values(LimitCase{"Pasted4294967296", "4294967296", Entry::kPasted, 0},
                                           // -1 becomes 4294967295 seconds.
                                           LimitCase{"PastedMinus1", "-1", Entry::kPasted, 0}),
                         LimitCaseName);

}  // namespace
}  // namespace e2e
