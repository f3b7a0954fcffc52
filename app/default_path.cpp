#include "app/default_path.h"

#include <windows.h>

#include <cstring>

#include "app/ui_texts.h"
#include "recorder/file_naming.h"

bool MakeDefaultPath(char (&path)[kWindowTextSize]) {
    memset(path, 0, sizeof(path));

    char folder[kWindowTextSize] = {};
    const DWORD length = GetCurrentDirectoryA(kEditReadLimit, folder);
    if (length == 0 || length >= static_cast<DWORD>(kEditReadLimit)) {
        // Whatever a failed read may have left, the folder then reads as empty.
        memset(folder, 0, sizeof(folder));
    }

    // The backslash and the file name after the folder; the whole must be readable from the box.
    const size_t composedLength = strlen(folder) + 1 + strlen(kDefaultFileName);
    if (composedLength >= static_cast<size_t>(kEditReadLimit)) {
        return false;
    }
    wsprintfA(path, kDefaultPathFormat, folder, kDefaultFileName);
    return true;
}
