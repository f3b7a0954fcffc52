#include "recorder/save_target.h"

#include <windows.h>

#include <cstring>

void SplitTarget(const char* path, TargetParts& parts) {
    char extension[kPathBufferSize] = {};
    SplitAnyPath(path, parts.folder, parts.name, extension);
    memcpy(parts.name + strlen(parts.name), extension, strlen(extension) + 1);
}

bool HasRoomFor(const TargetParts& target, uint64_t bytes) {
    ULARGE_INTEGER available = {};
    if (!GetDiskFreeSpaceExA(target.folder[0] != '\0' ? target.folder : nullptr, &available, nullptr,
                             nullptr)) {
        return true;
    }
    // A cluster's worth to spare for the file system's rounding.
    constexpr uint64_t kSlack = 64 * 1024;
    return available.QuadPart >= bytes + kSlack;
}
