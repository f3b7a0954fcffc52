// The program with no sound device at all: the start reports the failed record, the take still
// runs and ends as a WAV without samples, and the window stays usable and closes cleanly.

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/stress/no_sound_device.h"
#include "tests/stress/stress_test.h"

namespace e2e {
namespace {

// The switch the no-device tests rest on: a program started while it is on sees no input device,
// and once it is off again programs see as many as before.
TEST(StressNoDeviceSetting, ProgramsStartedWithoutTheDriverSeeNoInputAndTheDriverComesBack) {
    const int withSound = CountSoundInputs();
    ASSERT_GT(withSound, 0) << "the test machine offers no sound input to begin with";
    {
        NoSoundDevice noDevice;
        ASSERT_TRUE(noDevice.IsActive()) << noDevice.Error();
        EXPECT_EQ(CountSoundInputs(), 0);
    }
    EXPECT_EQ(CountSoundInputs(), withSound);
}

using StressNoDevice = NoDeviceStressTest;

TEST_F(StressNoDevice, StartReportsTheFailedRecordAndEachTakeEndsAsAnEmptyWavFile) {
    ASSERT_TRUE(WriteText(window_.Control(kFileNameEditId), folder_.File("take.wav")));
    // The second cycle shows the window still usable after the first, with the same outcome.
    for (const char* name : {"take.wav", "take-0.wav"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(window_.ClickStart());
        std::string message;
        ASSERT_TRUE(AnswerErrorBox(&message));
        EXPECT_EQ(message, kRecordFailed);
        // A start whose record failed still runs as a take, and the status counts it.
        ASSERT_TRUE(WaitForStatusWithoutBox(CountOfAtLeast(1), "a count of 1 s"));
        ASSERT_TRUE(window_.ClickStop());
        ASSERT_TRUE(WaitForStatusWithoutBox(IsIdleStatus, "\"停止\""));

        WavFile wav;
        std::string error;
        ASSERT_TRUE(ReadWavFile(folder_.File(name), &wav, &error)) << error;
        EXPECT_TRUE(HasFormat(wav, name, kCdFormat));
        EXPECT_EQ(wav.data.size(), 0u) << "no input, no samples";
    }
    EXPECT_EQ(folder_.Entries(), (std::vector<std::string>{"take-0.wav", "take.wav"}));
}

}  // namespace
}  // namespace e2e
