#include "recorder/save_target.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "recorder/file_naming.h"

namespace {

bool TryRescueName(const char* folder, const char* name, char* rescuePath, size_t rescueSize) {
    char candidate[kPathBufferSize];
    const int length = snprintf(candidate, sizeof(candidate), "%s%s", folder, name);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof(candidate)) {
        return false;
    }
    if (!FindFreePath(candidate) || !CanCreateFile(candidate)) {
        return false;
    }
    if (strlen(candidate) >= rescueSize) {
        return false;
    }
    memcpy(rescuePath, candidate, strlen(candidate) + 1);
    return true;
}

}  // namespace

bool CanCreateFile(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(file);
    return true;
}

bool MakeRescuePath(const char* path, char* rescuePath, size_t rescueSize) {
    char folder[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof(folder), folder);
    if (length == 0 || length >= sizeof(folder)) {
        return false;
    }
    // The take keeps its own file name where it can.
    char baseName[kPathBufferSize] = {};
    char extension[kPathBufferSize] = {};
    SplitAnyPath(path, nullptr, baseName, extension);
    char name[2 * kPathBufferSize];
    snprintf(name, sizeof(name), "%s%s", baseName, extension);
    if (name[0] != '\0' && TryRescueName(folder, name, rescuePath, rescueSize)) {
        return true;
    }
    return TryRescueName(folder, kDefaultFileName, rescuePath, rescueSize);
}
