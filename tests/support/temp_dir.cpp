#include "tests/support/temp_dir.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            const std::string child = folder + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

TempDir::TempDir(const std::string& tag) {
    char base[MAX_PATH + 1] = {};
    GetTempPathA(sizeof(base), base);
    static unsigned sequence = 0;
    for (;;) {
        char name[MAX_PATH + 64];
        snprintf(name, sizeof(name), "%smirebasco-%s-%lu-%u", base, tag.c_str(), GetCurrentProcessId(),
                 sequence++);
        if (CreateDirectoryA(name, nullptr)) {
            path_ = name;
            return;
        }
    }
}

TempDir::~TempDir() {
    // MIREBASCO_KEEP_TEMP=1 keeps what a test wrote, for a look after a failure.
    char keep[8] = {};
    if (GetEnvironmentVariableA("MIREBASCO_KEEP_TEMP", keep, sizeof(keep)) > 0) {
        return;
    }
    RemoveTree(path_);
}

std::vector<std::string> TempDir::Entries() const {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path_ + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::string MakeFolderOfLength(const std::string& base, size_t length) {
    const char kWideCharacter[] = "\x82\xA0";
    std::string path = base;
    while (path.size() < length) {
        const size_t remaining = length - path.size();
        // Each folder costs its backslash; never leave a single byte for a last one.
        size_t bytes = std::min<size_t>(remaining - 1, 120);
        if (remaining - (bytes + 1) == 1) {
            --bytes;
        }
        std::string component;
        while (component.size() + 2 <= bytes) {
            component += kWideCharacter;
        }
        if (component.size() < bytes) {
            component += "a";
        }
        path += "\\" + component;
        if (!CreateDirectoryA(path.c_str(), nullptr)) {
            return {};
        }
    }
    return path;
}

bool IsFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}
