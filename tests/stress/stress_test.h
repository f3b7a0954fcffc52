#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/program_test.h"
#include "tests/stress/no_sound_device.h"

namespace e2e {

// take.wav, then take-0.wav ... take-(n-2).wav, sorted: the names that n takes to one name get.
std::vector<std::string> TakeNames(int takes);

// The real program started as for the end-to-end tests, with a temporary folder of its own (TMP
// and TEMP): the device's working files land there, where a test can count them with no other
// program's files in the way. A take the program has to keep elsewhere goes to the keep folder
// (tests/support/kept_take.h), which every program of the prefix shares.
class StressTest : public ProgramTest {
protected:
    StressTest();

    // Posts `pairs` start clicks and as many stop clicks, alternately, as fast as the queue takes
    // them, then waits until the program has handled all of them: a click on the auto-stop box
    // posted last toggles the box only when its turn comes. timeoutMs bounds the wait.
    ::testing::AssertionResult PostStartStopPairs(int pairs, DWORD timeoutMs = kPatientMs);

    // Answers the box that follows "エラー:MCI_SAVE" and reads from it where the take was kept.
    ::testing::AssertionResult AnswerTakeKeptBox(std::string* keptPath);

    TempDir programTemp_{"tmp"};
};

// The same program with no sound device at all (see NoSoundDevice); the device stays away until
// the program has ended.
class NoDeviceStressTest : public StressTest {
protected:
    void SetUp() override;

    NoSoundDevice noDevice_;
};

}  // namespace e2e
