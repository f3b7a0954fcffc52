#include "tests/support/long_path_files.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "recorder/handle_guard.h"
#include "tests/support/path_cuts.h"

constexpr UINT kProgramCodePage = 932;

std::wstring WideText(const std::string& text) {
    const int length =
        MultiByteToWideChar(kProgramCodePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(kProgramCodePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string ShiftJisText(const std::wstring& wide) {
    const int length = WideCharToMultiByte(kProgramCodePage, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(kProgramCodePage, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length,
                        nullptr, nullptr);
    return text;
}

std::wstring LongPath(const std::string& path) {
    return L"\\\\?\\" + WideText(path);
}

bool MakeFolder(const std::string& path) {
    return CreateDirectoryW(LongPath(path).c_str(), nullptr) != 0;
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    HandleGuard file(CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file.IsOpen() &&
           WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

bool ReadBytes(const std::string& path, std::vector<uint8_t>* bytes) {
    return ReadBytes(LongPath(path), bytes);
}

bool ReadBytes(const std::wstring& path, std::vector<uint8_t>* bytes) {
    bytes->clear();
    HandleGuard file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) {
        return false;
    }
    uint8_t buffer[65536];
    DWORD got = 0;
    while (ReadFile(file.Get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        bytes->insert(bytes->end(), buffer, buffer + got);
    }
    return true;
}

DWORD Attributes(const std::string& path) {
    return GetFileAttributesW(LongPath(path).c_str());
}

bool SetAttributes(const std::string& path, DWORD attributes) {
    return SetFileAttributesW(LongPath(path).c_str(), attributes) != 0;
}

void ForEachEntry(const std::string& folder,
                  const std::function<void(const std::string& path, const WIN32_FIND_DATAW& found)>& visit) {
    ForEachEntry(LongPath(folder), [&](const std::wstring&, const WIN32_FIND_DATAW& found) {
        visit(folder + "\\" + ShiftJisText(found.cFileName), found);
    });
}

void ForEachEntry(const std::wstring& folder,
                  const std::function<void(const std::wstring& path, const WIN32_FIND_DATAW& found)>& visit) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") {
            visit(folder + L"\\" + name, found);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

std::string MakeFolderOfLength(const std::string& base, size_t length, const std::string& filler) {
    std::string folder = base;
    while (folder.size() < length) {
        const size_t remaining = length - folder.size();
        // A name and its backslash; never leave a single byte, which would be a backslash alone.
        size_t bytes = std::min(remaining, kMaxNameBytes + 1);
        if (remaining - bytes == 1) {
            --bytes;
        }
        std::string name;
        while (name.size() + filler.size() <= bytes - 1) {
            name += filler;
        }
        name.append(bytes - 1 - name.size(), 'x');
        folder += "\\" + name;
        if (!MakeFolder(folder)) {
            ADD_FAILURE() << "cannot make the folder " << folder << ": error " << GetLastError();
            return {};
        }
    }
    return folder;
}

namespace {

// In UTF-16 throughout, so that names Shift-JIS cannot spell (a user's folders) go too.
void RemoveWideTree(const std::wstring& folder) {
    ForEachEntry(folder, [](const std::wstring& path, const WIN32_FIND_DATAW& found) {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveWideTree(path);
        } else {
            DeleteFileW(path.c_str());
        }
    });
    SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(folder.c_str());
}

}  // namespace

void RemoveTree(const std::string& folder) {
    RemoveWideTree(LongPath(folder));
}

std::string FolderOf(const std::string& path) {
    const size_t separator = CutPath(path).lastSeparator;
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

std::string FileNamePart(const std::string& path) {
    const size_t separator = CutPath(path).lastSeparator;
    return separator == std::string::npos ? path : path.substr(separator + 1);
}
