#pragma once

#include "recorder/file_naming.h"

// Writes "<current folder>\default.wav" into path. A drive root already ends in a backslash, so
// its default path holds two in a row ("C:\\default.wav"), which the system reads as one.
// Returns false, with path left empty, when the current folder cannot be read or the path would
// be longer than the file-name box gives back (kEditReadLimit - 1 bytes): the path is shown in
// the box and read from it again on later starts, so a longer one would come back cut short and
// name a different file.
bool MakeDefaultPath(char (&path)[kPathBufferSize]);
