#pragma once

#include <cstdint>

#include "recorder/file_naming.h"

// Not every device saves a take twice (Wine's does not after a failed save), so a target is tried
// before its save: its name made free and creatable while the device records, and its room
// measured here.

// A file's target, split once when its save is to be made: the folder asked for room, and the file
// name (its base name and extension, each at most kPathBufferSize - 1 bytes, side by side) that a
// kept copy takes.
struct TargetParts {
    char folder[kPathBufferSize];
    char name[2 * kPathBufferSize];
};
void SplitTarget(const char* path, TargetParts& parts);

// True when the target's folder (the current one for a bare name) has room for a new file of that
// many bytes. A volume whose free space cannot be read is taken to have room.
bool HasRoomFor(const TargetParts& target, uint64_t bytes);
