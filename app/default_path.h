#pragma once

#include "app/window_controls.h"

// Writes "<current folder>\default.wav" into path. A drive root already ends in a backslash, so
// its default path holds two in a row ("C:\\default.wav"), which the system reads as one.
// A current folder that cannot be read within the box's limit (300 bytes or more, or a failed
// read) reads as empty, and the path is "\default.wav", at the root of the current drive; a root
// that cannot take the file is caught when the take is saved, and the take is kept elsewhere.
// Returns false, with path left empty, for a folder of 288 to 299 bytes: it fits, but its default
// path would be longer than the file-name box gives back, and since the path is shown in the box
// and read from it again on later starts, it would come back cut short and name a different file.
bool MakeDefaultPath(char (&path)[kWindowTextSize]);
