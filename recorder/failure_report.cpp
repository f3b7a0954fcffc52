#include "recorder/failure_report.h"

#include <windows.h>

#include "recorder/recorder_texts.h"

// Closing the window posts the quit message while a box may be open. The quit ends a box's modal
// loop, and every later box would return at once, unseen, a box that says where a take was kept
// among them. So a pending quit is held back while the box is up, a box that a quit ended is
// shown again, and the quit is posted once more when the user has closed the box.
void DefaultErrorHandler(const char* message) {
    MSG quit = {};
    bool quitPending = PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
    for (;;) {
        MessageBoxA(nullptr, message, kErrorCaption, MB_OK);
        MSG endedBy = {};
        if (PeekMessageA(&endedBy, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) == 0) {
            break;
        }
        quit = endedBy;
        quitPending = true;
    }
    if (quitPending) {
        PostQuitMessage(static_cast<int>(quit.wParam));
    }
}

void PendingReports::Add(const char* message) {
    // A sequence never says more than kMaxReports things; were it to, the first ones are kept.
    if (count_ < kMaxReports) {
        texts_[count_++] = message;
    }
}

void PendingReports::AddKeptAt(const char* keptPath) {
    char path[kPathBufferSize];
    lstrcpynA(path, keptPath, static_cast<int>(sizeof(path)));
    wsprintfA(keptAt_, kTakeKeptAtFormat, path);
    Add(keptAt_);
}
