#include "recorder/keep_folder.h"

#include <shlobj.h>

#include <cstring>

#include "recorder/file_naming.h"
#include "recorder/system_library.h"

namespace {

using GetFolderPathFunction = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);

// The shell's library is loaded at the first take that has to be kept, the only thing that needs
// it, and kept for the rest of the run.
GetFolderPathFunction LoadGetFolderPath() {
    static const GetFolderPathFunction function =
        SystemFunction<GetFolderPathFunction>("shell32.dll", "SHGetFolderPathA");
    return function;
}

// The shell folder, when it exists. It is not created: the user may have removed it on purpose,
// and Wine, asked to create one, links it to the Unix home folder again.
bool ShellFolder(int csidl, char (&folder)[MAX_PATH + 1]) {
    GetFolderPathFunction getFolderPath = LoadGetFolderPath();
    // S_OK only: the ANSI form answers S_FALSE for a folder that does not exist.
    if (!getFolderPath || getFolderPath(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder) != S_OK) {
        return false;
    }
    const size_t length = strlen(folder);  // at most MAX_PATH - 1: the function's own limit
    if (length == 0) {
        return false;
    }
    if (folder[length - 1] != '\\') {
        folder[length] = '\\';
        folder[length + 1] = '\0';
    }
    return true;
}

bool TempFolder(char (&folder)[MAX_PATH + 1]) {
    const DWORD length = GetTempPathA(sizeof(folder), folder);
    return length > 0 && length < sizeof(folder);
}

// Writes folder and name into keptPath when together they fit and name a free, creatable file.
bool TryKeptName(const char* folder, const char* name, char (&keptPath)[kPathBufferSize]) {
    const size_t folderLength = strlen(folder);
    const size_t nameLength = strlen(name);
    char candidate[kPathBufferSize];
    if (folderLength + nameLength >= sizeof(candidate)) {
        return false;
    }
    memcpy(candidate, folder, folderLength);
    memcpy(candidate + folderLength, name, nameLength + 1);
    if (!MakeFreeTarget(candidate)) {
        return false;
    }
    memcpy(keptPath, candidate, strlen(candidate) + 1);
    return true;
}

// A folder that exists can still refuse a new file: a share gone read-only, or Windows' guard of
// the user's folders against programs it does not know.
bool TakesNewFile(const char (&folder)[MAX_PATH + 1]) {
    char probe[kPathBufferSize];
    return TryKeptName(folder, kDefaultFileName, probe);
}

// Writes into folder, with a trailing backslash, the first keep folder that exists and takes a new
// file now. The temporary folder comes last: Explorer hides it, and Windows empties it on its own.
bool FindKeepFolder(char (&folder)[MAX_PATH + 1]) {
    return (ShellFolder(CSIDL_MYMUSIC, folder) && TakesNewFile(folder)) ||
           (ShellFolder(CSIDL_PERSONAL, folder) && TakesNewFile(folder)) ||
           (TempFolder(folder) && TakesNewFile(folder));
}

}  // namespace

const char* TakeKeepFolder::Find() {
    if (!looked_) {
        found_ = FindKeepFolder(folder_);
        looked_ = true;
    }
    return found_ ? folder_ : nullptr;
}

bool TakeKeepFolder::MakeKeptPath(const char* fileName, char (&keptPath)[kPathBufferSize]) {
    const char* folder = Find();
    if (folder == nullptr) {
        return false;
    }
    // The take keeps its own file name where it can.
    return (fileName[0] != '\0' && TryKeptName(folder, fileName, keptPath)) ||
           TryKeptName(folder, kDefaultFileName, keptPath);
}
