#pragma once

#include <cstddef>

// Size of the recorder's path and of the parts a path is split into: at most 303 bytes of text and
// the terminator.
constexpr size_t kPathBufferSize = 304;
// The name a take gets when it has no name of its own: the default in the current folder, and the
// name a take is kept under when its own name cannot be used.
inline constexpr char kDefaultFileName[] = "default.wav";

// Size of the drive part that SplitPath writes: two bytes and the terminator, with room to spare.
constexpr size_t kDrivePartSize = 12;

// Splits a drive-rooted path ("X:\...") into drive, directory, base name and extension, stepping
// over two-byte characters so that a trail byte of 0x5C is never a separator. Any output may be
// null. A path that is not drive-rooted is left alone: nothing is written.
// Each non-null part must hold kPathBufferSize bytes (drive: kDrivePartSize); a part of a path
// longer than a path buffer is cut short at 303 bytes rather than written past its buffer.
void SplitPath(const char* path, char* drive, char* directory, char* baseName, char* extension);

// Splits any other path the file-name box can hold (take.wav, sub\take.wav,
// \\server\share\take.wav, C:take.wav, C:/rec/take.wav) into the folder in front of the file
// name, the base name and the extension. The folder is everything up to and including the last
// '\' or '/', or the "X:" of a drive-relative name; two-byte characters and the last dot are
// treated as in SplitPath. Any output may be null; each non-null one must hold kPathBufferSize
// bytes.
void SplitAnyPath(const char* path, char* folder, char* baseName, char* extension);

// True when a file or a directory of that name exists.
bool FileExists(const char* path);

// Rewrites path (a buffer of kPathBufferSize bytes) in place to the first name that does not
// exist: the path itself, or base-0, base-1, ... before the extension in the same folder.
// Drive-rooted paths with backslashes only are split with SplitPath, every other path with
// SplitAnyPath, so the free name is always in the folder of the path given. Returns true when
// path names a free file. Returns false, with path unchanged, when every candidate that fits the
// buffer exists (or the buffer holds no terminator), so a caller never writes over an existing
// file; the caller must then save elsewhere.
bool FindFreePath(char* path);

// Rewrites path (a buffer of kPathBufferSize bytes) to its free name, as FindFreePath does; true
// when a new file of that name can be created there now (the name is tried with a file that is
// gone again at once).
bool MakeFreeTarget(char* path);
