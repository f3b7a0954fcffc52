#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Files and folders by full paths of any length. The program's paths are Shift-JIS text of up to
// 303 bytes, which can be longer than the system's usual path limit; the test itself must still
// be able to make, read and remove what lies there, so it goes through the wide functions with
// the "\\?\" prefix, which have no such limit.

// The program's texts are Shift-JIS (code page 932), as every narrow literal here is compiled, and
// are turned into UTF-16 and back in that code page whatever this process's own is: a test run in
// another locale still names the program's files and reads its texts byte for byte.
std::wstring WideText(const std::string& text);
std::string ShiftJisText(const std::wstring& text);

// A full path ("X:\...") in Shift-JIS as a wide "\\?\X:\..." path.
std::wstring LongPath(const std::string& path);

bool MakeFolder(const std::string& path);
bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
bool ReadBytes(const std::string& path, std::vector<uint8_t>* bytes);
// The same for a path in UTF-16, which may hold letters that Shift-JIS cannot spell.
bool ReadBytes(const std::wstring& path, std::vector<uint8_t>* bytes);
// The file's or folder's attributes; INVALID_FILE_ATTRIBUTES when it does not exist.
DWORD Attributes(const std::string& path);
bool SetAttributes(const std::string& path, DWORD attributes);
// Calls visit with the full path and the find data of each entry directly inside folder.
void ForEachEntry(const std::string& folder,
                  const std::function<void(const std::string& path, const WIN32_FIND_DATAW& found)>& visit);
void ForEachEntry(const std::wstring& folder,
                  const std::function<void(const std::wstring& path, const WIN32_FIND_DATAW& found)>& visit);
// Removes a folder and everything in it, read-only entries and paths beyond the system's usual
// limit included.
void RemoveTree(const std::string& folder);

// Makes folders below base (a full path) until the last of them has a path of exactly `length`
// bytes, and returns that path without a trailing backslash; empty, with the test failed, when one
// cannot be made. Each name is made of `filler` (a character of one or two bytes, never split) with
// single-byte 'x's for what is left over, and is at most kMaxNameBytes long.
constexpr size_t kMaxNameBytes = 120;
std::string MakeFolderOfLength(const std::string& base, size_t length, const std::string& filler);

// The folder part of a path (everything before its last backslash) and its file-name part
// (everything after it). Two-byte characters are stepped over, so the trail byte of 表 is not
// taken for a backslash.
std::string FolderOf(const std::string& path);
std::string FileNamePart(const std::string& path);
