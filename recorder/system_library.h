#pragma once

#include <windows.h>

// Loads one of the system's own libraries from the system folder only. A file of the same name
// beside the program or in the current folder is never loaded: anyone who could put one there
// would have it run inside the program. Null when the library cannot be loaded.
HMODULE LoadSystemLibrary(const char* fileName);
