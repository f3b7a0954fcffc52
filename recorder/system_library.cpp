#include "recorder/system_library.h"

#include <cstring>

HMODULE LoadSystemLibrary(const char* fileName) {
    HMODULE library = LoadLibraryExA(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Windows 7 and Vista without their loader update refuse the flag. The full path then, and
    // with it what the library loads along is looked for in its own folder first.
    if (library || GetLastError() != ERROR_INVALID_PARAMETER) {
        return library;
    }
    char path[MAX_PATH + 1];
    const UINT length = GetSystemDirectoryA(path, sizeof(path));
    const size_t nameLength = strlen(fileName);
    if (length == 0 || length + 1 + nameLength >= sizeof(path)) {
        return nullptr;
    }
    path[length] = '\\';
    memcpy(path + length + 1, fileName, nameLength + 1);
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
