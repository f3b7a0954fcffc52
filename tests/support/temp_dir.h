#pragma once

#include <string>
#include <vector>

#include "tests/support/long_path_files.h"

// A fresh folder under the user's temporary folder, removed with its files when the test ends.
// When none can be made (no temporary folder, a disk that takes nothing) the running test fails
// fatally at once; a fixture holding one then does not run its test at all.
class TempDir {
public:
    explicit TempDir(const std::string& tag);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    // The folder with a trailing backslash, ready to have a name appended.
    std::string Prefix() const { return path_ + "\\"; }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }
    // Names of the entries directly inside the folder, sorted.
    std::vector<std::string> Entries() const;

private:
    std::string path_;
    bool created_ = false;
};

// True when a file (not a folder) of that name exists.
bool IsFile(const std::string& path);
