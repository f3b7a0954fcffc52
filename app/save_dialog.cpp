#include "app/save_dialog.h"

#include <cstddef>
#include <cstring>

#include "app/ui_texts.h"
#include "recorder/file_naming.h"
#include "recorder/system_library.h"

#ifndef _WIN64
static_assert(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == 76,
              "the 32-bit save dialog record of the 4.0 layout is 76 bytes");
#endif

void PrepareSaveDialog(OPENFILENAMEA& record, char (&file)[kWindowTextSize]) {
    memset(file, 0, sizeof(file));
    memcpy(file, kDefaultFileName, sizeof(kDefaultFileName));

    memset(&record, 0, sizeof(record));
    record.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    record.hwndOwner = nullptr;
    record.lpstrFilter = kSaveDialogFilter;
    record.nFilterIndex = 0;
    record.lpstrFile = file;
    record.nMaxFile = kEditReadLimit;
    record.Flags = 0;
}

namespace {

using SaveDialogFunction = BOOL(WINAPI*)(OPENFILENAMEA*);

// The common dialogs' library brings a dozen more libraries with it, and loading them all at
// start-up made the window come up a fifth slower; it is loaded at the first browse instead and
// kept for the rest of the run.
SaveDialogFunction LoadSaveDialog() {
    static const SaveDialogFunction function =
        SystemFunction<SaveDialogFunction>("comdlg32.dll", "GetSaveFileNameA");
    return function;
}

}  // namespace

BOOL ShowSaveDialog(OPENFILENAMEA& record) {
    SaveDialogFunction getSaveFileName = LoadSaveDialog();
    return getSaveFileName ? getSaveFileName(&record) : FALSE;
}
