#pragma once

#include <windows.h>

// Loads one of the system's own libraries from the system folder only. A file of the same name
// beside the program or in the current folder is never loaded: anyone who could put one there
// would have it run inside the program. Null when the library cannot be loaded.
HMODULE LoadSystemLibrary(const char* fileName);

// The function of that name in one of the system's libraries (loaded as above, and kept for the
// rest of the run), as type Function; null when either cannot be found.
template <typename Function>
Function SystemFunction(const char* fileName, const char* functionName) {
    HMODULE library = LoadSystemLibrary(fileName);
    FARPROC address = library ? GetProcAddress(library, functionName) : nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}
