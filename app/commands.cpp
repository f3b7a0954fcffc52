#include "app/commands.h"

#include <commdlg.h>

#include "app/control_table.h"
#include "app/default_path.h"
#include "app/globals.h"
#include "app/save_dialog.h"
#include "app/selected_format.h"
#include "app/ui_texts.h"
#include "app/window_controls.h"

namespace {

constexpr UINT kTickPeriodMs = 500;

// True while a start or stop sequence runs. The recorder's error boxes and the save dialog have
// no owner, so their modal loops go on dispatching the window's clicks and ticks: a second start
// or stop can arrive in the middle of the first. Such a nested command is ignored, and when the
// outer one ends the window shows what the recorder then reports.
bool g_inSequence = false;

class SequenceScope {
public:
    SequenceScope() { g_inSequence = true; }
    ~SequenceScope() { g_inSequence = false; }
    SequenceScope(const SequenceScope&) = delete;
    SequenceScope& operator=(const SequenceScope&) = delete;
};

// The status panel and the tick timer follow the recorder: "録音中" with the timer running while a
// take runs, "停止" with no timer otherwise.
void ShowRecorderState() {
    if (g_recorder->IsRecording()) {
        SetControlText(ID_STATUS_PANEL, kStatusRecording);
        SetTimer(g_mainWindow, ID_TICK_TIMER, kTickPeriodMs, nullptr);
    } else {
        SetControlText(ID_STATUS_PANEL, kStatusStopped);
        KillTimer(g_mainWindow, ID_TICK_TIMER);
    }
}

}  // namespace

void OnCommand(WPARAM wParam) {
    if (HIWORD(wParam) != BN_CLICKED) {
        return;
    }
    switch (LOWORD(wParam)) {
        case ID_RECORD_BUTTON:
            OnRecordClick();
            break;
        case ID_STOP_BUTTON:
            OnStopClick();
            break;
        case ID_AUTOSTOP_CHECK:
            OnAutoStopClick();
            break;
        case ID_BROWSE_BUTTON:
            OnBrowseClick();
            break;
        default:
            break;
    }
}

void OnRecordClick() {
    if (g_recorder->IsRecording() || g_inSequence) {
        return;
    }
    SequenceScope sequence;

    // The path goes to the recorder as typed: not trimmed, and a relative name stays relative.
    char path[kPathBufferSize];
    ReadControlText(ID_FILENAME_EDIT, path);
    if (path[0] == '\0') {
        if (!MakeDefaultPath(path)) {
            g_recorder->onError(kDefaultPathTooLongMessage);
            ShowRecorderState();
            return;
        }
        SetControlText(ID_FILENAME_EDIT, path);
    }

    RecordingFormat format = {};
    ReadSelectedFormat(format);
    g_recorder->SetFormat(format.sampleRate, format.bitsPerSample, format.channels);
    // Device errors have been shown by the time this returns; a take whose commands failed still
    // counts as running, and the user stops it as any other.
    g_recorder->StartRecording(path);
    ShowRecorderState();
}

void OnStopClick() {
    if (g_inSequence) {
        return;
    }
    SequenceScope sequence;
    g_recorder->StopAndSave();
    ShowRecorderState();
}

void OnAutoStopClick() {
    BOOL enable = IsBoxChecked(ID_AUTOSTOP_CHECK) ? FALSE : TRUE;
    EnableWindow(MainWindowControl(ID_SECONDS_EDIT), enable);
}

void OnBrowseClick() {
    char file[kPathBufferSize];
    OPENFILENAMEA record;
    PrepareSaveDialog(record, file);
    // Cancel and failure alike change nothing.
    if (ShowSaveDialog(record) != 0) {
        SetControlText(ID_FILENAME_EDIT, file);
    }
}
