#pragma once

#include <cstddef>
#include <cstdint>

// The device cannot save a take twice: when its one save fails, the take is gone. So the target
// is tried before the save, and a take whose target cannot be written goes somewhere that can.

// True when a new file of that name can be created now. The name must not exist (the probe
// creates the file and deletes it at once).
bool CanCreateFile(const char* path);

// True when the folder of path has room for a new file of that many bytes, or the file comes
// from the same volume as the temporary folder, where the device's saving is a rename that takes
// no room. A volume whose free space cannot be read is taken to have room.
bool HasRoomFor(const char* path, uint64_t bytes);

// Writes into rescuePath (rescueSize bytes) a free, creatable name in the user's temporary
// folder for a take meant for path: the same file name when that works, else "default.wav" or a
// free variant of either. False when there is none.
bool MakeRescuePath(const char* path, char* rescuePath, size_t rescueSize);
