#include "app/save_dialog.h"

#include <cstddef>
#include <cstring>

#include "app/ui_texts.h"

#ifndef _WIN64
static_assert(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == 76,
              "the 32-bit save dialog record of the 4.0 layout is 76 bytes");
#endif
static_assert(kSaveDialogFileLimit <= kPathBufferSize);

void PrepareSaveDialog(OPENFILENAMEA& record, char (&file)[kPathBufferSize]) {
    memset(file, 0, sizeof(file));
    memcpy(file, kDefaultFileName, sizeof(kDefaultFileName));

    memset(&record, 0, sizeof(record));
    record.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    record.hwndOwner = nullptr;
    record.lpstrFilter = kSaveDialogFilter;
    record.nFilterIndex = 0;
    record.lpstrFile = file;
    record.nMaxFile = kSaveDialogFileLimit;
    record.Flags = 0;
}
