#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/e2e/window_driver.h"
#include "tests/support/commands_and_texts.h"
#include "tests/support/presets.h"

// The recorder's main window as its user sees it: the controls by identifier, the status panel's
// texts, and the waits a user does with their eyes ("until it says 録音中 2秒").
namespace e2e {

constexpr int kStartButtonId = 1000;
constexpr int kStopButtonId = 1001;
constexpr int kFileNameEditId = 1002;
constexpr int kAutoStopCheckId = 1003;
constexpr int kFormatListId = 1004;
constexpr int kBrowseButtonId = 1006;
constexpr int kSecondsEditId = 1008;
constexpr int kStatusPanelId = 1010;

extern const char kProgramImageName[];  // "mirebasco.exe"
extern const char kMainWindowClass[];   // "NORMAL0"
extern const char kMainWindowTitle[];   // "mirebasco"
extern const char kStatusIdle[];        // "停止"
extern const char kStatusRecording[];   // "録音中", shown until the first tick
// The boxes' caption and texts are the tests' one list (commands_and_texts.h); the benchmark names the
// caption from here.
using ::kErrorCaption;

// Reads a running count "録音中 %d秒"; false for every other text.
bool ParseStatusCount(const std::string& status, int* seconds);
// "録音中" or a running count.
bool IsRecordingStatus(const std::string& status);
// "停止".
bool IsIdleStatus(const std::string& status);
// A running count of at least `seconds`.
std::function<bool(const std::string&)> CountOfAtLeast(int seconds);

// Finds the main window of the process (when processId is 0, of any process running
// mirebasco.exe) and waits until it answers with its format list filled, so that the message loop
// is running.
HWND WaitForMainWindow(DWORD processId, DWORD timeoutMs = kPatientMs);

class MainWindow {
public:
    MainWindow() = default;
    explicit MainWindow(HWND window) : window_(window) {}

    HWND Handle() const { return window_; }
    HWND Control(int id) const { return GetDlgItem(window_, id); }

    std::string Status() const { return ReadText(Control(kStatusPanelId)); }
    std::string FileName() const { return ReadText(Control(kFileNameEditId)); }
    std::string Seconds() const { return ReadText(Control(kSecondsEditId)); }

    // Posted: a start or a stop may show error boxes, which the caller answers.
    bool ClickStart() const { return PostClick(Control(kStartButtonId)); }
    bool ClickStop() const { return PostClick(Control(kStopButtonId)); }

    // Waits until the status satisfies `wanted`; false when time runs out or the window is gone.
    bool WaitForStatus(const std::function<bool(const std::string&)>& wanted,
                       DWORD timeoutMs = kPatientMs) const;
    // Once a take has begun: waits until the status shows a count of at least `seconds`; false
    // when the status stops showing a take or time runs out first.
    bool WaitForCount(int seconds, DWORD timeoutMs = kPatientMs) const;
    bool WaitForRecordingStatus(DWORD timeoutMs = kPatientMs) const;
    bool WaitForIdleStatus(DWORD timeoutMs = kPatientMs) const;

    // Polls the status every pollMs and keeps each text that differs from the one before, until
    // `done` holds for the latest text, time runs out or the window is gone; the first text is
    // included.
    template <typename Done>
    std::vector<std::string> WatchStatus(Done done, DWORD timeoutMs, DWORD pollMs = 10) const {
        std::vector<std::string> seen;
        WaitUntil(
            [&] {
                if (!IsWindow(window_)) {
                    return true;
                }
                std::string status = Status();
                if (seen.empty() || seen.back() != status) {
                    seen.push_back(status);
                }
                return done(status);
            },
            timeoutMs, pollMs);
        return seen;
    }

private:
    HWND window_ = nullptr;
};

}  // namespace e2e
