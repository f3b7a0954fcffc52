#include "recorder/save_target.h"

#include <windows.h>

#include <cstring>

#include "recorder/file_naming.h"
#include "recorder/handle_guard.h"
#include "recorder/keep_folder.h"

namespace {

// The name must not exist: the probe creates the file and deletes it at once.
bool CanCreateFile(const char* path) {
    const HandleGuard file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return file.IsOpen();
}

bool TryRescueName(const char* folder, const char* name, char* rescuePath, size_t rescueSize) {
    const size_t folderLength = strlen(folder);
    const size_t nameLength = strlen(name);
    char candidate[kPathBufferSize];
    if (folderLength + nameLength >= sizeof(candidate)) {
        return false;
    }
    memcpy(candidate, folder, folderLength);
    memcpy(candidate + folderLength, name, nameLength + 1);
    if (!MakeFreeTarget(candidate)) {
        return false;
    }
    if (strlen(candidate) >= rescueSize) {
        return false;
    }
    memcpy(rescuePath, candidate, strlen(candidate) + 1);
    return true;
}

}  // namespace

bool MakeFreeTarget(char* path) {
    return FindFreePath(path) && CanCreateFile(path);
}

void SplitTarget(const char* path, TargetParts& parts) {
    char extension[kPathBufferSize] = {};
    SplitAnyPath(path, parts.folder, parts.name, extension);
    memcpy(parts.name + strlen(parts.name), extension, strlen(extension) + 1);
}

const char* FolderOf(const TargetParts& target) {
    return target.folder[0] != '\0' ? target.folder : ".";
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

bool MakeRescuePath(const TargetParts& target,
                    TakeKeepFolder& keepFolder,
                    char (&rescuePath)[kPathBufferSize]) {
    const char* folder = keepFolder.Find();
    if (folder == nullptr) {
        return false;
    }
    // The take keeps its own file name where it can.
    if (target.name[0] != '\0' && TryRescueName(folder, target.name, rescuePath, sizeof(rescuePath))) {
        return true;
    }
    return TryRescueName(folder, kDefaultFileName, rescuePath, sizeof(rescuePath));
}
