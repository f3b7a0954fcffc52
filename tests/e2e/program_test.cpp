#include "tests/e2e/program_test.h"

#include <cstdio>

namespace e2e {

namespace {

constexpr double kLatencySeconds = 0.5;
constexpr double kDeviceBufferSeconds = 1.0 / 3.0;

// Exit codes from 0xC0000000 up are the system's own for a crash (0xC0000005: access violation).
std::string DescribeExitCode(DWORD exitCode) {
    char text[64];
    snprintf(text, sizeof(text), exitCode >= 0xC0000000 ? "0x%08lX (a crash)" : "%lu", exitCode);
    return text;
}

}  // namespace

::testing::AssertionResult LastsAsLongAsTake(const WavFile& wav, const TakeTimes& times) {
    const double seconds = wav.Seconds();
    const double atLeast = (times.stopClicked - times.recordingSeen) / 1000.0 - kLatencySeconds;
    const double atMost =
        (times.idleSeen - times.startClicked) / 1000.0 + kDeviceBufferSeconds + kLatencySeconds;
    if (seconds < atLeast || seconds > atMost) {
        return ::testing::AssertionFailure()
               << "the take holds " << seconds << " s of sound, expected between " << atLeast << " and "
               << atMost << " s";
    }
    return ::testing::AssertionSuccess();
}

void ProgramTest::SetUp() {
    const std::string exe = ProgramUnderTest();
    ASSERT_TRUE(IsFile(exe)) << "the program is not built: " << exe;
    std::string error;
    const std::wstring current = currentFolder_.empty() ? WideText(folder_.Path()) : currentFolder_;
    ASSERT_TRUE(program_.Start(exe, current, &error, environment_)) << error;
    HWND window = WaitForMainWindow(ProcessId());
    ASSERT_NE(window, nullptr) << "the main window did not appear";
    window_ = MainWindow(window);
}

void ProgramTest::TearDown() {
    if (exited_) {
        return;
    }
    DWORD exitCode = 0;
    if (program_.WaitForExit(0, &exitCode)) {
        ADD_FAILURE() << "the program ended before its window was closed, with exit code "
                      << DescribeExitCode(exitCode);
        return;
    }
    if (HasFatalFailure()) {
        return;  // left as it is; program_ terminates it
    }
    EXPECT_TRUE(NoErrorBoxOpen());
    EXPECT_TRUE(CloseWindowAndExitCleanly());
}

::testing::AssertionResult ProgramTest::StartTake(TakeTimes* times) {
    times->startClicked = NowMs();
    if (!window_.ClickStart()) {
        return ::testing::AssertionFailure() << "cannot click start";
    }
    if (!window_.WaitForRecordingStatus()) {
        return ::testing::AssertionFailure()
               << "the status never showed a take; it reads \"" << window_.Status() << "\"" << ProgramState();
    }
    times->recordingSeen = NowMs();
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult ProgramTest::StopTake(TakeTimes* times) {
    times->stopClicked = NowMs();
    if (!window_.ClickStop()) {
        return ::testing::AssertionFailure() << "cannot click stop";
    }
    if (!window_.WaitForIdleStatus()) {
        return ::testing::AssertionFailure() << "the status never read \"停止\" after stop; it reads \""
                                             << window_.Status() << "\"" << ProgramState();
    }
    times->idleSeen = NowMs();
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult ProgramTest::RecordTake(int seconds, TakeTimes* times) {
    TakeTimes local;
    TakeTimes* taken = times ? times : &local;
    ::testing::AssertionResult started = StartTake(taken);
    if (!started) {
        return started;
    }
    if (!window_.WaitForCount(seconds)) {
        return ::testing::AssertionFailure() << "the status never counted " << seconds << " s; it reads \""
                                             << window_.Status() << "\"" << ProgramState();
    }
    return StopTake(taken);
}

::testing::AssertionResult ProgramTest::NoErrorBoxOpen() {
    std::vector<HWND> boxes = FindMessageBoxes(ProcessId(), kErrorCaption);
    if (boxes.empty()) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << boxes.size() << " error box(es) open, the first saying \""
                                         << MessageBoxText(boxes.front()) << "\"";
}

::testing::AssertionResult ProgramTest::WaitForStatusWithoutBox(
    const std::function<bool(const std::string&)>& wanted,
    const char* what) {
    bool boxOpen = false;
    const bool met = window_.WaitForStatus([&](const std::string& status) {
        boxOpen = !FindMessageBoxes(ProcessId(), kErrorCaption).empty();
        return boxOpen || wanted(status);
    });
    if (met && !boxOpen) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "waiting for " << what << ", the status reads \"" << window_.Status() << "\"" << ProgramState();
}

::testing::AssertionResult ProgramTest::AnswerErrorBox(std::string* message) {
    HWND box = WaitForMessageBox(ProcessId(), kErrorCaption);
    if (!box) {
        return ::testing::AssertionFailure()
               << "no error box; the status reads \"" << window_.Status() << "\"" << ProgramState();
    }
    *message = MessageBoxText(box);
    if (!DismissMessageBox(box)) {
        return ::testing::AssertionFailure() << "the box \"" << *message << "\" did not go on OK";
    }
    return ::testing::AssertionSuccess();
}

std::string ProgramTest::ProgramState() {
    DWORD exitCode = 0;
    if (program_.WaitForExit(0, &exitCode)) {
        return "; the program has ended with exit code " + DescribeExitCode(exitCode);
    }
    std::vector<HWND> boxes = FindMessageBoxes(ProcessId(), kErrorCaption);
    if (!boxes.empty()) {
        return "; an error box says \"" + MessageBoxText(boxes.front()) + "\"";
    }
    return "";
}

::testing::AssertionResult ProgramTest::CloseWindowAndExitCleanly() {
    if (!PostMessageA(window_.Handle(), WM_CLOSE, 0, 0)) {
        return ::testing::AssertionFailure() << "cannot post WM_CLOSE";
    }
    return WaitForCleanExit();
}

::testing::AssertionResult ProgramTest::WaitForCleanExit() {
    DWORD exitCode = 0;
    if (!program_.WaitForExit(kPatientMs, &exitCode)) {
        return ::testing::AssertionFailure()
               << "the program did not end after its window was closed" << ProgramState();
    }
    exited_ = true;
    if (exitCode != 0) {
        return ::testing::AssertionFailure()
               << "the program ended with exit code " << DescribeExitCode(exitCode);
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult ProgramTest::EndSession() {
    // A program whose window has gone is not asked: the system ends it without a word.
    if (!IsWindow(window_.Handle())) {
        program_.Terminate();
        exited_ = true;
        return ::testing::AssertionSuccess();
    }
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(window_.Handle(), WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, kPatientMs, &answer)) {
        return ::testing::AssertionFailure() << "WM_QUERYENDSESSION went unanswered" << ProgramState();
    }
    if (answer == 0) {
        return ::testing::AssertionFailure() << "the program refused the end of the session";
    }
    if (!SendMessageTimeoutA(window_.Handle(), WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, kPatientMs, &answer)) {
        return ::testing::AssertionFailure() << "WM_ENDSESSION went unanswered" << ProgramState();
    }
    program_.Terminate();
    exited_ = true;
    return ::testing::AssertionSuccess();
}

}  // namespace e2e
