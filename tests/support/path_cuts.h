#pragma once

#include <windows.h>

#include <string>

// Where the file name and its extension begin in a Shift-JIS path, found the way the program
// finds them: two-byte characters are stepped over, so a 0x5C trail byte is never a separator.
struct PathCuts {
    // The last separator, npos when there is none.
    size_t lastSeparator = std::string::npos;
    // The last dot of the file-name part, npos when it has none.
    size_t extensionDot = std::string::npos;
};

inline PathCuts CutPath(const std::string& path, const char* separators = "\\") {
    PathCuts cuts;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) == 1 && i + 1 < path.size()) {
            ++i;
        } else if (std::string(separators).find(path[i]) != std::string::npos) {
            cuts.lastSeparator = i;
            cuts.extensionDot = std::string::npos;
        } else if (path[i] == '.') {
            cuts.extensionDot = i;
        }
    }
    return cuts;
}
