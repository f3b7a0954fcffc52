#pragma once

#include <windows.h>

#include "recorder/file_naming.h"

// The keep folder of one take, where a take is kept that cannot be saved where it was aimed: the
// user's Music folder, else Documents, else the temporary folder, the first that exists and takes
// a new file now. It is looked for when a file of the take first needs it and kept for the rest of
// the take: each look probes the user's folders with a file.
class TakeKeepFolder {
public:
    // For a new take: its first kept path looks for the folder again.
    void Forget() { looked_ = false; }
    // Writes into keptPath a free, creatable name in the folder for a file named fileName (a base
    // name and its extension): that name when it works, else "default.wav" or a free variant of
    // either. False when there is none, or no folder.
    bool MakeKeptPath(const char* fileName, char (&keptPath)[kPathBufferSize]);

private:
    // The folder, with a trailing backslash; null when none takes a new file.
    const char* Find();

    bool looked_ = false;
    bool found_ = false;
    char folder_[MAX_PATH + 1] = {};
};
