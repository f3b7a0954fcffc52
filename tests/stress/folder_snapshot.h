#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// What a folder holds at one moment, at any depth, so that a test can show that a take changed
// nothing that was there before and added exactly what it should.

struct FileRecord {
    DWORD attributes = 0;
    std::vector<uint8_t> bytes;
};

struct FolderSnapshot {
    std::map<std::string, FileRecord> files;  // by full path
    std::vector<std::string> folders;         // full paths
};

FolderSnapshot TakeSnapshot(const std::string& folder);

// The files of `before` that are gone from `after`, or differ there in a byte or an attribute,
// each with what became of it.
std::vector<std::string> ChangedFiles(const FolderSnapshot& before, const FolderSnapshot& after);
// The full paths of the files in `after` that `before` did not have.
std::vector<std::string> NewFiles(const FolderSnapshot& before, const FolderSnapshot& after);
