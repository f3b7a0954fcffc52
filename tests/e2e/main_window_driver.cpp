#include "tests/e2e/main_window_driver.h"

#include <cstdlib>
#include <cstring>

namespace e2e {

const char kProgramImageName[] = "mirebasco.exe";
const char kMainWindowClass[] = "NORMAL0";
const char kMainWindowTitle[] = "mirebasco";
const char kStatusIdle[] = "停止";
const char kStatusRecording[] = "録音中";

namespace {

const char kCountPrefix[] = "録音中 ";
const char kCountSuffix[] = "秒";

}  // namespace

bool ParseStatusCount(const std::string& status, int* seconds) {
    const size_t prefixLength = sizeof(kCountPrefix) - 1;
    const size_t suffixLength = sizeof(kCountSuffix) - 1;
    if (status.size() <= prefixLength + suffixLength || status.compare(0, prefixLength, kCountPrefix) != 0 ||
        status.compare(status.size() - suffixLength, suffixLength, kCountSuffix) != 0) {
        return false;
    }
    std::string digits = status.substr(prefixLength, status.size() - prefixLength - suffixLength);
    if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    *seconds = std::atoi(digits.c_str());
    return true;
}

bool IsRecordingStatus(const std::string& status) {
    int seconds = 0;
    return status == kStatusRecording || ParseStatusCount(status, &seconds);
}

bool IsIdleStatus(const std::string& status) {
    return status == kStatusIdle;
}

std::function<bool(const std::string&)> CountOfAtLeast(int seconds) {
    return [seconds](const std::string& status) {
        int shown = 0;
        return ParseStatusCount(status, &shown) && shown >= seconds;
    };
}

namespace {

// The main window of the process, or of the first process running mirebasco.exe when processId
// is 0: test programs that build the same window inside themselves do not count.
HWND FindMainWindow(DWORD processId) {
    for (HWND window : FindTopLevelWindows(processId, kMainWindowClass, kMainWindowTitle)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (processId != 0 || lstrcmpiA(ProcessImageName(owner).c_str(), kProgramImageName) == 0) {
            return window;
        }
    }
    return nullptr;
}

}  // namespace

HWND WaitForMainWindow(DWORD processId, DWORD timeoutMs) {
    HWND window = nullptr;
    WaitUntil(
        [&] {
            window = FindMainWindow(processId);
            // The list is filled at the end of the window's creation; the count is answered only
            // once the program's message loop runs.
            return window && ListCount(GetDlgItem(window, kFormatListId)) == kPresetCount;
        },
        timeoutMs);
    return window;
}

bool MainWindow::WaitForStatus(const std::function<bool(const std::string&)>& wanted, DWORD timeoutMs) const {
    bool met = false;
    WaitUntil(
        [&] {
            // A window that is gone (the program ended or crashed) will show nothing more.
            if (!IsWindow(window_)) {
                return true;
            }
            met = wanted(Status());
            return met;
        },
        timeoutMs);
    return met;
}

bool MainWindow::WaitForCount(int seconds, DWORD timeoutMs) const {
    bool reached = false;
    WaitForStatus(
        [&](const std::string& status) {
            int shown = 0;
            if (ParseStatusCount(status, &shown)) {
                reached = shown >= seconds;
                return reached;
            }
            return status != kStatusRecording;
        },
        timeoutMs);
    return reached;
}

bool MainWindow::WaitForRecordingStatus(DWORD timeoutMs) const {
    return WaitForStatus(IsRecordingStatus, timeoutMs);
}

bool MainWindow::WaitForIdleStatus(DWORD timeoutMs) const {
    return WaitForStatus([](const std::string& status) { return status == kStatusIdle; }, timeoutMs);
}

}  // namespace e2e
