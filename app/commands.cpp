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

// True while the box refusing a default path is open. Its modal loop goes on dispatching the
// window's clicks, and a start clicked meanwhile would only show the same refusal again.
bool g_refusingStart = false;

}  // namespace

// While a take runs, the system is told why the session should wait for the program when it is
// asked to end: the take is saved before the program lets it go.
void ShowRecorderState() {
    if (g_recorder->IsRecording()) {
        SetControlText(ID_STATUS_PANEL, kStatusRecording);
        SetTimer(g_mainWindow, ID_TICK_TIMER, kTickPeriodMs, nullptr);
        ShutdownBlockReasonCreate(g_mainWindow, kShutdownBlockReason);
    } else {
        SetControlText(ID_STATUS_PANEL, kStatusStopped);
        KillTimer(g_mainWindow, ID_TICK_TIMER);
        ShutdownBlockReasonDestroy(g_mainWindow);
    }
}

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
    // The recorder's boxes keep dispatching clicks: a start or stop already running is left alone
    // and the window shows the recorder's state once it is over.
    if (g_recorder->IsRecording() || g_recorder->InSequence() || g_refusingStart) {
        return;
    }

    // The path goes to the recorder as typed: not trimmed, and a relative name stays relative.
    char path[kWindowTextSize];
    ReadControlText(ID_FILENAME_EDIT, path);
    if (path[0] == '\0') {
        if (!MakeDefaultPath(path)) {
            g_refusingStart = true;
            g_recorder->onError(kDefaultPathTooLongMessage);
            g_refusingStart = false;
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
    if (g_recorder->InSequence()) {
        return;
    }
    g_recorder->StopAndSave();
    ShowRecorderState();
}

void OnAutoStopClick() {
    BOOL enable = IsBoxChecked(ID_AUTOSTOP_CHECK) ? FALSE : TRUE;
    EnableWindow(MainWindowControl(ID_SECONDS_EDIT), enable);
}

void FinishTakeForSessionEnd() {
    g_recorder->FinishTakeSilently();
    ShowRecorderState();
}

void OnBrowseClick() {
    char file[kWindowTextSize];
    OPENFILENAMEA record;
    PrepareSaveDialog(record, file);
    // Cancel and failure alike change nothing.
    if (ShowSaveDialog(record) != 0) {
        SetControlText(ID_FILENAME_EDIT, file);
    }
}
