#include "recorder/file_naming.h"

#include <windows.h>

#include <climits>
#include <cstring>

#include "recorder/handle_guard.h"

namespace {

// Bytes taken by the character at text. A lead byte and the byte after it are one character, so
// the trail byte 0x5C of 表 or ソ is never taken for a backslash. A lead byte directly before the
// terminator stands alone, so the scan never steps over the terminator.
size_t CharacterLength(const char* text) {
    if (IsDBCSLeadByte(static_cast<BYTE>(text[0])) == 1 && text[1] != '\0') {
        return 2;
    }
    return 1;
}

// A drive-rooted path ("C:\...") separates with backslashes only; any other path the
// name box takes, with forward slashes too.
enum class Separators { kBackslash, kBackslashAndSlash };

bool IsSeparator(char c, Separators separators) {
    return c == '\\' || (separators == Separators::kBackslashAndSlash && c == '/');
}

// Index of the byte after the last separator at or after from: where the file-name part begins.
// from itself when there is no separator.
size_t FileNameStart(const char* path, size_t from, Separators separators) {
    size_t start = from;
    for (size_t i = from; path[i] != '\0';) {
        const size_t length = CharacterLength(path + i);
        if (length == 1 && IsSeparator(path[i], separators)) {
            start = i + 1;
        }
        i += length;
    }
    return start;
}

// Index of the last dot of the file-name part that begins at nameStart, or the end of the path
// when the file-name part has no dot. A dot in the folder never counts.
size_t ExtensionStart(const char* path, size_t nameStart) {
    size_t i = nameStart;
    size_t dot = 0;
    bool found = false;
    while (path[i] != '\0') {
        const size_t length = CharacterLength(path + i);
        if (length == 1 && path[i] == '.') {
            dot = i;
            found = true;
        }
        i += length;
    }
    return found ? dot : i;
}

// Copies count bytes of source into a part of partSize bytes and terminates it. Only a path longer
// than a path buffer gives a part that does not fit; it is cut short instead of overrunning.
void CopyPart(char* part, size_t partSize, const char* source, size_t count) {
    if (part == nullptr) {
        return;
    }
    if (count > partSize - 1) {
        count = partSize - 1;
    }
    memcpy(part, source, count);
    part[count] = '\0';
}

// "X:\" at the start. The first byte is not examined, so 1:\x.wav counts as well; it is only
// checked not to be the terminator, so that the second byte is never read past the end.
bool IsDriveRooted(const char* path) {
    return path[0] != '\0' && path[1] == ':' && path[2] == '\\';
}

// The parts a candidate is joined from. Zero-filled, so a part that is not written reads as empty.
struct CandidateParts {
    char drive[kDrivePartSize];
    char directory[kPathBufferSize];
    char baseName[kPathBufferSize];
    char extension[kPathBufferSize];
};

void SplitForCandidates(const char* path, CandidateParts& parts) {
    // 0x2F is never the trail byte of a two-byte character, so a plain search finds every '/'.
    if (IsDriveRooted(path) && strchr(path, '/') == nullptr) {
        SplitPath(path, parts.drive, parts.directory, parts.baseName, parts.extension);
        return;
    }
    // Relative, network, drive-relative and forward-slash paths keep their whole folder in front,
    // so that the free name stays in the same folder.
    SplitAnyPath(path, parts.directory, parts.baseName, parts.extension);
}

// Decimal digits of a counter that is never negative.
size_t DigitCount(int counter) {
    size_t digits = 1;
    for (; counter >= 10; counter /= 10) {
        ++digits;
    }
    return digits;
}

// Writes candidate number counter into candidate; false when it does not fit. A name that does
// not fit is never cut short, since the shortened name could be an existing file. wsprintfA
// writes without a limit, so the parts are measured first and it runs only when all of them fit.
bool BuildCandidate(const CandidateParts& parts, int counter, char (&candidate)[kPathBufferSize]) {
    const size_t length = strlen(parts.drive) + strlen(parts.directory) + strlen(parts.baseName) + 1 +
                          DigitCount(counter) + strlen(parts.extension);
    if (length >= sizeof(candidate)) {
        return false;
    }
    wsprintfA(candidate, "%s%s%s-%d%s", parts.drive, parts.directory, parts.baseName, counter,
              parts.extension);
    return true;
}

}  // namespace

void SplitPath(const char* path, char* drive, char* directory, char* baseName, char* extension) {
    if (!IsDriveRooted(path)) {
        return;
    }
    // The directory runs from the backslash after the drive up to and including the last
    // backslash, so it always begins and ends with one.
    const size_t nameStart = FileNameStart(path, 2, Separators::kBackslash);
    const size_t dot = ExtensionStart(path, nameStart);
    const size_t end = dot + strlen(path + dot);
    CopyPart(drive, kDrivePartSize, path, 2);
    CopyPart(directory, kPathBufferSize, path + 2, nameStart - 2);
    CopyPart(baseName, kPathBufferSize, path + nameStart, dot - nameStart);
    CopyPart(extension, kPathBufferSize, path + dot, end - dot);
}

void SplitAnyPath(const char* path, char* folder, char* baseName, char* extension) {
    // The "X:" of a drive-relative name belongs to the folder even with no separator after it.
    const size_t driveLength = (path[0] != '\0' && path[1] == ':') ? 2 : 0;
    const size_t nameStart = FileNameStart(path, driveLength, Separators::kBackslashAndSlash);
    const size_t dot = ExtensionStart(path, nameStart);
    const size_t end = dot + strlen(path + dot);
    CopyPart(folder, kPathBufferSize, path, nameStart);
    CopyPart(baseName, kPathBufferSize, path + nameStart, dot - nameStart);
    CopyPart(extension, kPathBufferSize, path + dot, end - dot);
}

bool FileExists(const char* path) {
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool FindFreePath(char* path) {
    // Without a terminator inside the buffer there is no path to read, only bytes past its end.
    if (memchr(path, '\0', kPathBufferSize) == nullptr) {
        return false;
    }
    if (!FileExists(path)) {
        return true;
    }
    CandidateParts parts = {};
    SplitForCandidates(path, parts);
    // The counter starts from 0 on every call, so the lowest free number wins. Candidates only
    // grow with the counter, so once one does not fit no later one will; the path is then left as
    // it was and the caller must not write to it.
    for (int counter = 0;; ++counter) {
        char candidate[kPathBufferSize];
        if (!BuildCandidate(parts, counter, candidate)) {
            return false;
        }
        if (!FileExists(candidate)) {
            memcpy(path, candidate, strlen(candidate) + 1);
            return true;
        }
        if (counter == INT_MAX) {
            return false;
        }
    }
}

bool MakeFreeTarget(char* path) {
    if (!FindFreePath(path)) {
        return false;
    }
    const HandleGuard file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return file.IsOpen();
}
