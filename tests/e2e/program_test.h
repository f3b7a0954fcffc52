#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "tests/e2e/main_window_driver.h"
#include "tests/support/take_check.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav_file.h"
#include "tests/e2e/window_driver.h"

namespace e2e {

// When a test saw the steps of one take (NowMs): it clicked start, the status first showed the
// take, it clicked stop, the status read "停止" again.
struct TakeTimes {
    double startClicked = 0;
    double recordingSeen = 0;
    double stopClicked = 0;
    double idleSeen = 0;
};

// The file's length fits what the test saw of the take: at least the time from seeing the take
// begin to clicking stop, at most the time from clicking start to seeing it end plus the device's
// third of a second, each with half a second to spare for the sound server's latency.
::testing::AssertionResult LastsAsLongAsTake(const WavFile& wav, const TakeTimes& times);

// Each test starts the real program in a fresh temporary folder of its own (its current folder)
// and finds its main window. At the end no message box may be left open, and closing the window
// must end the program with exit code 0; the folder is then removed with everything in it.
class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    DWORD ProcessId() const { return program_.ProcessId(); }

    // Clicks start and waits until the status shows the take.
    ::testing::AssertionResult StartTake(TakeTimes* times);
    // Clicks stop and waits until the status reads "停止".
    ::testing::AssertionResult StopTake(TakeTimes* times);
    // A whole take that runs until the status has counted `seconds`.
    ::testing::AssertionResult RecordTake(int seconds, TakeTimes* times = nullptr);
    ::testing::AssertionResult NoErrorBoxOpen();
    // Waits until the status satisfies `wanted`, but no longer than until an error box opens:
    // a box fails at once, with its message, instead of after the whole wait.
    ::testing::AssertionResult WaitForStatusWithoutBox(const std::function<bool(const std::string&)>& wanted,
                                                       const char* what);
    // Waits for an error box, hands back its message and presses its OK button.
    ::testing::AssertionResult AnswerErrorBox(std::string* message);
    // For failure messages: what became of the program when a wait came to nothing.
    std::string ProgramState();
    // Closes the window as its close button does and waits for the program to end with code 0.
    ::testing::AssertionResult CloseWindowAndExitCleanly();
    // Waits for the program to end by itself with code 0 (after a close posted by the test).
    ::testing::AssertionResult WaitForCleanExit();
    // Ends the session as the system does: asks the window, tells it the session ends, and as
    // soon as it has answered, ends the process from outside.
    ::testing::AssertionResult EndSession();

    TempDir folder_{"e2e"};
    // Set by a test's constructor: what the program's environment differs in from this one's.
    EnvironmentChanges environment_;
    // Set by a test's constructor: the program's current folder, when not folder_ itself.
    std::wstring currentFolder_;
    LaunchedProgram program_;
    MainWindow window_;

private:
    bool exited_ = false;
};

}  // namespace e2e
