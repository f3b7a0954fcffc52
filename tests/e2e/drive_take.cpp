// drive_take.exe <seconds> [process id]: records one take through the buttons of the mirebasco
// window that is already running (the one of that process, when given), and prints the path of
// the file it was saved to.
//
// It waits up to a minute for the window, clicks start, waits until the status has counted the
// seconds, clicks stop and waits for "停止". Exit code 0 when the take was saved; 1 with the
// reason on stderr otherwise (including the text of any error box, which it then answers so that
// the program is not left waiting).

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/e2e/main_window_driver.h"
#include "tests/support/path_cuts.h"
#include "tests/support/temp_dir.h"
#include "tests/e2e/window_driver.h"

namespace {

using namespace e2e;

constexpr DWORD kWindowTimeoutMs = 60000;
constexpr long kMaxSeconds = 3600;

int Fail(const std::string& reason) {
    fprintf(stderr, "drive_take: %s\n", reason.c_str());
    return 1;
}

// Answers every error box of the process; returns the text of the first, empty when none.
std::string AnswerErrorBoxes(DWORD processId) {
    std::string first;
    for (HWND box : FindMessageBoxes(processId, kErrorCaption)) {
        std::string text = MessageBoxText(box);
        if (first.empty()) {
            first = text;
        }
        DismissMessageBox(box);
    }
    return first;
}

// The name the take will get at stop: the path itself when it is free, otherwise the first free
// "base-N.ext" beside it, found the way the program finds it.
std::string FreeNameFor(const std::string& path) {
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return path;
    }
    const size_t dot = CutPath(path, "\\/").extensionDot;
    const size_t cut = dot == std::string::npos ? path.size() : dot;
    for (int counter = 0; counter < 100000; ++counter) {
        std::string candidate = path.substr(0, cut) + "-" + std::to_string(counter) + path.substr(cut);
        if (GetFileAttributesA(candidate.c_str()) == INVALID_FILE_ATTRIBUTES) {
            return candidate;
        }
    }
    return path;
}

bool IsFullPath(const std::string& path) {
    return path.size() >= 3 && path[1] == ':' && path[2] == '\\';
}

}  // namespace

int main(int argc, char** argv) {
    char* end = nullptr;
    const long seconds = argc == 2 || argc == 3 ? strtol(argv[1], &end, 10) : -1;
    char* idEnd = nullptr;
    const unsigned long wantedProcess = argc == 3 ? strtoul(argv[2], &idEnd, 10) : 0;
    if (seconds < 1 || *end != '\0' || seconds > kMaxSeconds || (argc == 3 && *idEnd != '\0')) {
        fprintf(stderr, "usage: drive_take <seconds 1-%ld> [process id]\n", kMaxSeconds);
        return 2;
    }

    HWND window = WaitForMainWindow(static_cast<DWORD>(wantedProcess), kWindowTimeoutMs);
    if (!window) {
        return Fail("no mirebasco window appeared within a minute");
    }
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    MainWindow main(window);
    if (main.Status() != kStatusIdle) {
        return Fail("the window is not idle; its status reads \"" + main.Status() + "\"");
    }

    auto errorShown = [&] { return !FindMessageBoxes(processId, kErrorCaption).empty(); };
    if (!main.ClickStart() || !WaitUntil([&] { return errorShown() || IsRecordingStatus(main.Status()); })) {
        return Fail("the take did not start");
    }
    if (errorShown()) {
        return Fail("starting the take failed: " + AnswerErrorBoxes(processId));
    }
    int shown = -1;
    const DWORD countTimeoutMs = static_cast<DWORD>(seconds) * 1000 + kPatientMs;
    if (!WaitUntil(
            [&] { return errorShown() || (ParseStatusCount(main.Status(), &shown) && shown >= seconds); },
            countTimeoutMs) ||
        errorShown()) {
        return Fail("the take did not run for " + std::to_string(seconds) +
                    " s: " + AnswerErrorBoxes(processId));
    }

    std::string path = main.FileName();
    if (IsFullPath(path)) {
        path = FreeNameFor(path);
    }
    if (!main.ClickStop() || !WaitUntil([&] { return errorShown() || main.Status() == kStatusIdle; })) {
        return Fail("the take did not stop");
    }
    if (errorShown()) {
        return Fail("saving the take failed: " + AnswerErrorBoxes(processId));
    }
    if (IsFullPath(path) && !IsFile(path)) {
        return Fail("the take is not where it should be: " + path);
    }
    printf("%s\n", path.c_str());
    return 0;
}
