#pragma once

#include <cstddef>

// Size of every path buffer the program keeps (the recorder's path, the edit read buffers):
// at most 303 bytes of text and the terminator.
constexpr size_t kPathBufferSize = 304;
// Size of the drive part that SplitPath writes: two bytes and the terminator, with room to spare.
constexpr size_t kDrivePartSize = 12;

// Splits a drive-rooted path ("X:\...") into drive, directory, base name and extension, stepping
// over two-byte characters so that a trail byte of 0x5C is never a separator. Any output may be
// null. A path that is not drive-rooted is left alone: nothing is written.
// Each non-null part must hold kPathBufferSize bytes (drive: kDrivePartSize).
void SplitPath(const char* path, char* drive, char* directory, char* baseName, char* extension);

// True when a file or a directory of that name exists.
bool FileExists(const char* path);

// Rewrites path (a buffer of kPathBufferSize bytes) in place to the first name that does not
// exist: the path itself, or base-0, base-1, ... before the extension in the same folder.
// Returns false, with path unchanged, when every candidate that fits the buffer exists, so a
// caller never writes over an existing file.
bool FindFreePath(char* path);
