#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>

#include <gtest/gtest.h>

// Where the program keeps a take that it cannot save where it was aimed, asked of the system as
// the program asks it: the user's Music folder, which the test prefix has (the program falls back
// to Documents and the temporary folder only where Music is missing or refuses a new file).

// The Music folder (or another of the user's folders: CSIDL_PERSONAL for Documents) with a trailing
// backslash. Fails where there is none, and where it is a link (Wine links it to the Unix home
// folder; scripts/lib/environment.sh makes it a folder of the prefix): no test may write into the
// home folder.
inline ::testing::AssertionResult KeepFolder(std::string* folder, int csidl = CSIDL_MYMUSIC) {
    char path[MAX_PATH + 1] = {};
    if (SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK) {
        return ::testing::AssertionFailure() << "the user has no such folder: " << csidl;
    }
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return ::testing::AssertionFailure()
               << path
               << " is a link, to the home folder as Wine makes it: run the tests through scripts/test";
    }
    *folder = std::string(path) + "\\";
    return ::testing::AssertionSuccess();
}

// Removes a take that the program kept outside the test's own folder once the test is over: the
// keep folder is shared by every test program of the prefix and outlives them.
class KeptTakeRemover {
public:
    KeptTakeRemover() = default;
    ~KeptTakeRemover() {
        if (!path.empty()) {
            DeleteFileA(path.c_str());
        }
    }
    KeptTakeRemover(const KeptTakeRemover&) = delete;
    KeptTakeRemover& operator=(const KeptTakeRemover&) = delete;

    std::string path;
};
