#include "tests/support/temp_dir.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

#include <gtest/gtest.h>

namespace {

// A fatal failure of the running test: gtest does not run the body of a test whose fixture failed
// so while being made. (FAIL() returns from the function it is in, so it cannot stand in a
// constructor itself.)
void FailToMakeFolder(const std::string& why) {
    FAIL() << "no temporary folder for the test: " << why;
}

// Stands for the folder when none could be made: '<' cannot be in a file name, so whatever a test
// then tries to write there fails instead of landing somewhere else.
constexpr char kNoFolder[] = "<no temporary folder>";

}  // namespace

TempDir::TempDir(const std::string& tag) : path_(kNoFolder) {
    char base[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof(base), base);
    if (length == 0 || length >= sizeof(base)) {
        FailToMakeFolder("GetTempPathA failed with error " + std::to_string(GetLastError()));
        return;
    }
    static unsigned sequence = 0;
    // A name left by an earlier run of a process with the same id is stepped over; any other error
    // (a TEMP that names no folder, a full or read-only disk) ends the search.
    constexpr int kTries = 1000;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        char name[MAX_PATH + 64];
        snprintf(name, sizeof(name), "%smirebasco-%s-%lu-%u", base, tag.c_str(), GetCurrentProcessId(),
                 sequence++);
        if (CreateDirectoryA(name, nullptr)) {
            path_ = name;
            created_ = true;
            return;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS) {
            FailToMakeFolder(std::string("CreateDirectoryA(") + name + ") failed with error " +
                             std::to_string(error));
            return;
        }
    }
    FailToMakeFolder(std::to_string(kTries) + " names under " + base + " were all taken");
}

TempDir::~TempDir() {
    // MIREBASCO_KEEP_TEMP=1 keeps what a test wrote, for a look after a failure.
    char keep[8] = {};
    if (!created_ || GetEnvironmentVariableA("MIREBASCO_KEEP_TEMP", keep, sizeof(keep)) > 0) {
        return;
    }
    RemoveTree(path_);
}

std::vector<std::string> TempDir::Entries() const {
    std::vector<std::string> names;
    ForEachEntry(path_, [&](const std::string& path, const WIN32_FIND_DATAW&) {
        names.push_back(FileNamePart(path));
    });
    std::sort(names.begin(), names.end());
    return names;
}

bool IsFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}
