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

namespace {

// The root of the volume that holds path ("C:\\"); false when it cannot be told.
bool VolumeOf(const char* path, char (&volume)[MAX_PATH + 1]) {
    return GetVolumePathNameA(path, volume, sizeof(volume)) != 0;
}

}  // namespace

bool HasRoomFor(const char* path, uint64_t bytes, const char* recordingFile) {
    char folder[kPathBufferSize] = {};
    SplitAnyPath(path, folder, nullptr, nullptr);
    const char* where = folder[0] != '\0' ? folder : nullptr;  // a bare name is in the current folder
    char recordingVolume[MAX_PATH + 1] = {};
    char targetVolume[MAX_PATH + 1] = {};
    if (recordingFile[0] != '\0' && VolumeOf(recordingFile, recordingVolume) &&
        VolumeOf(where ? where : ".", targetVolume) && lstrcmpiA(recordingVolume, targetVolume) == 0) {
        return true;
    }
    ULARGE_INTEGER available = {};
    if (!GetDiskFreeSpaceExA(where, &available, nullptr, nullptr)) {
        return true;
    }
    // A cluster's worth to spare for the file system's rounding.
    constexpr uint64_t kSlack = 64 * 1024;
    return available.QuadPart >= bytes + kSlack;
}

bool MakeRescuePath(const char* path, char* rescuePath, size_t rescueSize) {
    char folder[MAX_PATH + 1] = {};
    if (!FindKeepFolder(folder)) {
        return false;
    }
    // The take keeps its own file name where it can: its base name and extension, each at most
    // kPathBufferSize - 1 bytes, side by side.
    char name[2 * kPathBufferSize] = {};
    char extension[kPathBufferSize] = {};
    SplitAnyPath(path, nullptr, name, extension);
    memcpy(name + strlen(name), extension, strlen(extension) + 1);
    if (name[0] != '\0' && TryRescueName(folder, name, rescuePath, rescueSize)) {
        return true;
    }
    return TryRescueName(folder, kDefaultFileName, rescuePath, rescueSize);
}
