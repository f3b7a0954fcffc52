#pragma once

#include <windows.h>

// Loads one of the system's own libraries from the system folder only. A file of the same name
// beside the program or in the current folder is never loaded: anyone who could put one there
// would have it run inside the program. Null when the library cannot be loaded.
HMODULE LoadSystemLibrary(const char* fileName);

// Writes into folder, with a trailing backslash, where a take is kept that cannot be saved where
// it was aimed: the user's Music folder, else Documents, else the temporary folder, the first
// that exists and takes a new file now. False when none does.
bool FindKeepFolder(char (&folder)[MAX_PATH + 1]);
