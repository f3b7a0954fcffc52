#include "app/default_path.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "app/ui_texts.h"
#include "app/window_controls.h"

bool MakeDefaultPath(char (&path)[kPathBufferSize]) {
    memset(path, 0, sizeof(path));

    // The length asked for is the box's read limit, so a folder that fits is at most 299 bytes.
    char folder[kPathBufferSize] = {};
    DWORD length = GetCurrentDirectoryA(kEditReadLimit, folder);
    if (length == 0 || length >= static_cast<DWORD>(kEditReadLimit)) {
        return false;
    }

    // Room for the longest folder that fits, the backslash, the file name and the terminator.
    char composed[kEditReadLimit + sizeof(kDefaultFileName) + 1] = {};
    int written = snprintf(composed, sizeof(composed), kDefaultPathFormat, folder);
    if (written <= 0 || written >= kEditReadLimit) {
        return false;
    }
    memcpy(path, composed, static_cast<size_t>(written) + 1);
    return true;
}
