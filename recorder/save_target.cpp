#include "recorder/save_target.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "recorder/file_naming.h"

namespace {

constexpr char kFallbackName[] = "default.wav";

// The file-name part of any path the name box can hold: what follows the last separator ('\\'
// or '/') or a drive colon. A trail byte of 0x5C inside a two-byte character is not a separator.
const char* FileNamePart(const char* path) {
    const char* name = path;
    for (const char* p = path; *p != '\0';) {
        if (IsDBCSLeadByte(static_cast<BYTE>(*p)) == 1 && p[1] != '\0') {
            p += 2;
            continue;
        }
        if (*p == '\\' || *p == '/' || *p == ':') {
            name = p + 1;
        }
        ++p;
    }
    return name;
}

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
    const char* name = FileNamePart(path);
    if (*name != '\0' && TryRescueName(folder, name, rescuePath, rescueSize)) {
        return true;
    }
    return TryRescueName(folder, kFallbackName, rescuePath, rescueSize);
}
