#include "tests/stress/stress_test.h"

#include <algorithm>

namespace e2e {

std::vector<std::string> TakeNames(int takes) {
    std::vector<std::string> names{"take.wav"};
    for (int i = 0; i + 1 < takes; ++i) {
        names.push_back("take-" + std::to_string(i) + ".wav");
    }
    std::sort(names.begin(), names.end());
    return names;
}

StressTest::StressTest() {
    environment_ = {{L"TMP", WideText(programTemp_.Path())}, {L"TEMP", WideText(programTemp_.Path())}};
}

::testing::AssertionResult StressTest::PostStartStopPairs(int pairs, DWORD timeoutMs) {
    // The box starts unchecked, so that only an answer "checked" counts: a window too busy to
    // answer reads as unchecked.
    HWND marker = window_.Control(kAutoStopCheckId);
    if (IsChecked(marker) && !SendClick(marker)) {
        return ::testing::AssertionFailure() << "cannot clear the auto-stop box";
    }
    for (int i = 0; i < pairs; ++i) {
        if (!window_.ClickStart() || !window_.ClickStop()) {
            return ::testing::AssertionFailure() << "cannot post click pair " << i;
        }
    }
    if (!PostClick(marker)) {
        return ::testing::AssertionFailure() << "cannot post the closing click";
    }
    if (!WaitUntil([&] { return !IsWindow(window_.Handle()) || IsChecked(marker); }, timeoutMs)) {
        return ::testing::AssertionFailure() << "the program did not handle the clicks; the status reads \""
                                             << window_.Status() << "\"" << ProgramState();
    }
    if (!IsWindow(window_.Handle())) {
        return ::testing::AssertionFailure() << "the window is gone" << ProgramState();
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult StressTest::AnswerTakeKeptBox(std::string* keptPath) {
    std::string message;
    ::testing::AssertionResult answered = AnswerErrorBox(&message);
    if (!answered) {
        return answered;
    }
    *keptPath = KeptPathIn(message);
    if (keptPath->empty()) {
        return ::testing::AssertionFailure()
               << "the box says \"" << message << "\", not where the take was kept";
    }
    return ::testing::AssertionSuccess();
}

void NoDeviceStressTest::SetUp() {
    ASSERT_TRUE(noDevice_.IsActive()) << noDevice_.Error();
    StressTest::SetUp();
}

}  // namespace e2e
