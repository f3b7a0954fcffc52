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

// Points the user's Music folder at a folder that exists but takes no new file (a read-only file
// system) while it lives, and puts back what was there when it goes, also when the test fails.
// Every program of the Wine prefix sees the change, so a test that makes one runs alone.
class MusicFolderThatTakesNoFile {
public:
    MusicFolderThatTakesNoFile() {
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key_) !=
            ERROR_SUCCESS) {
            key_ = nullptr;
            return;
        }
        had_ = RegQueryValueExA(key_, kValue, nullptr, &type_, saved_, &size_) == ERROR_SUCCESS;
        made_ = RegSetValueExA(key_, kValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(kReadOnly),
                               sizeof(kReadOnly)) == ERROR_SUCCESS;
    }
    ~MusicFolderThatTakesNoFile() {
        if (key_ != nullptr) {
            had_ ? RegSetValueExA(key_, kValue, 0, type_, saved_, size_) : RegDeleteValueA(key_, kValue);
            RegCloseKey(key_);
        }
    }
    MusicFolderThatTakesNoFile(const MusicFolderThatTakesNoFile&) = delete;
    MusicFolderThatTakesNoFile& operator=(const MusicFolderThatTakesNoFile&) = delete;

    bool Made() const { return made_; }

private:
    static constexpr char kKey[] =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    static constexpr char kValue[] = "My Music";
    static constexpr char kReadOnly[] = "Z:\\proc";
    HKEY key_ = nullptr;
    bool had_ = false;
    bool made_ = false;
    DWORD type_ = 0;
    BYTE saved_[2 * MAX_PATH] = {};
    DWORD size_ = sizeof(saved_);
};

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
