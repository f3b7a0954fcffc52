#pragma once

#include <windows.h>

// Writes into folder, with a trailing backslash, where a take is kept that cannot be saved where
// it was aimed: the user's Music folder, else Documents, else the temporary folder, the first
// that exists and takes a new file now. False when none does.
bool FindKeepFolder(char (&folder)[MAX_PATH + 1]);
