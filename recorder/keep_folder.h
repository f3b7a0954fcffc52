#pragma once

#include <windows.h>

// Writes into folder, with a trailing backslash, where a take is kept that cannot be saved where
// it was aimed: the user's Music folder, else Documents, else the temporary folder, the first
// that exists and takes a new file now. False when none does.
bool FindKeepFolder(char (&folder)[MAX_PATH + 1]);

// The keep folder of one take, looked for when a file of the take first needs it and kept for the
// rest of the take: each look probes the user's folders with a file.
class TakeKeepFolder {
public:
    // For a new take: the next Find looks again.
    void Forget() { looked_ = false; }
    // The folder, with a trailing backslash; null when none takes a new file.
    const char* Find();

private:
    bool looked_ = false;
    bool found_ = false;
    char folder_[MAX_PATH + 1] = {};
};
