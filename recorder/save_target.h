#pragma once

#include <cstddef>
#include <cstdint>

// Not every device saves a take twice (Wine's does not after a failed save), so the target is
// tried before the save, and a take whose target cannot be written goes somewhere that can.

// Rewrites path (a buffer of kPathBufferSize bytes) to its free name; true when a new file of that
// name can be created there now.
bool MakeFreeTarget(char* path);

// True when the folder of path has room for a new file of that many bytes, or when the device's
// named recording file (empty: none named) lies on the same volume: a device that names its file
// saves by renaming it (Wine's does), which takes no room. A documented device names none and
// writes a new file. A volume whose free space cannot be read is taken to have room.
bool HasRoomFor(const char* path, uint64_t bytes, const char* recordingFile);

// Writes into rescuePath (rescueSize bytes) a free, creatable name in the keep folder
// (FindKeepFolder) for a take meant for path: the same file name when that works, else "default.wav" or a
// free variant of either. False when there is none.
bool MakeRescuePath(const char* path, char* rescuePath, size_t rescueSize);
