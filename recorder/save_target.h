#pragma once

#include <cstddef>
#include <cstdint>

#include "recorder/file_naming.h"

// Not every device saves a take twice (Wine's does not after a failed save), so the target is
// tried before the save, and a take whose target cannot be written goes somewhere that can.

// Rewrites path (a buffer of kPathBufferSize bytes) to its free name; true when a new file of that
// name can be created there now.
bool MakeFreeTarget(char* path);

class TakeKeepFolder;

// A file's target, split once: the folder asked for room, and the file name (its base name and
// extension, each at most kPathBufferSize - 1 bytes, side by side) a kept copy takes.
struct TargetParts {
    char folder[kPathBufferSize];
    char name[2 * kPathBufferSize];
};
void SplitTarget(const char* path, TargetParts& parts);

// The folder a save writes into: a bare name is in the current one.
const char* FolderOf(const TargetParts& target);

// True when the target's folder has room for a new file of that many bytes. A volume whose free
// space cannot be read is taken to have room.
bool HasRoomFor(const TargetParts& target, uint64_t bytes);

// Writes into rescuePath a free, creatable name in the take's keep folder for the target: the same
// file name when that works, else "default.wav" or a free variant of either. False when there is
// none.
bool MakeRescuePath(const TargetParts& target,
                    TakeKeepFolder& keepFolder,
                    char (&rescuePath)[kPathBufferSize]);
