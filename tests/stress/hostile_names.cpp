#include "tests/stress/hostile_names.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>

#include "tests/support/path_cuts.h"
#include "tests/support/long_path_files.h"

namespace {

constexpr size_t kLongestTypedPath = 299;  // the most the start command reads from the name box
constexpr int kTakenVariants = 999;        // take.wav and take-0.wav ... take-998.wav

const std::vector<uint8_t> kOldBytes = {'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e'};

std::string Fill(size_t bytes, const std::string& filler) {
    std::string text;
    while (text.size() + filler.size() <= bytes) {
        text += filler;
    }
    text.append(bytes - text.size(), 'x');
    return text;
}

HostileName Named(const std::string& typed,
                  const std::string& folder,
                  Outcome outcome,
                  std::string freeName = {}) {
    HostileName name;
    name.typed = typed;
    name.intendedFolder = folder;
    name.freeName = std::move(freeName);
    name.outcome = outcome;
    return name;
}

// Ж is two bytes in Shift-JIS (84 47, its trail byte a letter) and in UTF-8 (D0 96), so a path of
// it is as long as the box reads whichever of the two the program runs in.
constexpr char kTwoByteFiller[] = "Ж";

// The longest name the box passes on, in two-byte characters. The device does not save to a path
// that long: it moves the take there and then reports failure (measured under Wine: 259
// single-byte characters saved; 260, and 288 bytes of two-byte characters, failed that way), so
// the take may be reported; either way it keeps the name asked for.
HostileName LongestPathInTwoByteCharacters(const std::string& folder) {
    const std::string path = MakePathOfLength(folder, kLongestTypedPath, kTwoByteFiller);
    return Named(path, FolderOf(path), Outcome::kEither, path);
}

// The same path already taken: the free name "-0" is two bytes longer than the box could hold.
HostileName LongestPathTakenInTwoByteCharacters(const std::string& folder) {
    const std::string path = MakePathOfLength(folder, kLongestTypedPath, kTwoByteFiller);
    WriteBytes(path, kOldBytes);
    return Named(path, FolderOf(path), Outcome::kEither, Variant(path, 0));
}

// A taken path of 299 single-byte characters, beyond the 260 characters that the system's
// single-byte file functions take: the program may not even see that the name is taken.
HostileName LongestPathTakenInSingleByteCharacters(const std::string& folder) {
    const std::string path = MakePathOfLength(folder, kLongestTypedPath, "p");
    WriteBytes(path, kOldBytes);
    return Named(path, FolderOf(path), Outcome::kEither);
}

// 能 is 94 5C and 表 is 95 5C: a split that took the 5C for a backslash would cut both.
HostileName TrailBackslashFolder(const std::string& folder, const char* name, const char* stem) {
    const std::string inside = folder + "\\能";
    MakeFolder(inside);
    WriteBytes(inside + "\\表.wav", kOldBytes);
    WriteBytes(inside + "\\ソ.wav", kOldBytes);
    return Named(inside + "\\" + name, inside, Outcome::kSaved, inside + "\\" + stem + "-0.wav");
}

// A free name is built by putting "-N" before the last dot, so reading 5C as a backslash matters
// only where a trail byte 5C comes after that dot, or where the file-name part is used alone.
HostileName TrailBackslashInExtension(const std::string& folder) {
    const std::string inside = folder + "\\能";
    MakeFolder(inside);
    WriteBytes(inside + "\\take.表", kOldBytes);
    return Named(inside + "\\take.表", inside, Outcome::kSaved, inside + "\\take-0.表");
}

// Kept in the keep folder under its own file name, which the 5C of 表 must not cut short.
HostileName TrailBackslashNameInMissingFolder(const std::string& folder) {
    const std::string missing = folder + "\\能";
    return Named(missing + "\\表.wav", missing, Outcome::kReported, missing + "\\表.wav");
}

HostileName HyouInNou(const std::string& folder) {
    return TrailBackslashFolder(folder, "表.wav", "表");
}

HostileName SoInNou(const std::string& folder) {
    return TrailBackslashFolder(folder, "ソ.wav", "ソ");
}

// Running as an administrator (root under Wine) the folder may well stay writable.
HostileName ReadOnlyFolder(const std::string& folder) {
    const std::string inside = folder + "\\read-only";
    MakeFolder(inside);
    SetAttributes(inside, FILE_ATTRIBUTE_READONLY);
    return Named(inside + "\\take.wav", inside, Outcome::kEither, inside + "\\take.wav");
}

HostileName ReadOnlyFile(const std::string& folder) {
    const std::string path = folder + "\\locked.wav";
    WriteBytes(path, kOldBytes);
    SetAttributes(path, FILE_ATTRIBUTE_READONLY);
    return Named(path, folder, Outcome::kSaved, Variant(path, 0));
}

HostileName FolderOfThatName(const std::string& folder) {
    const std::string path = folder + "\\take.wav";
    MakeFolder(path);
    return Named(path, folder, Outcome::kSaved, Variant(path, 0));
}

// Characters no file name may hold: not even the keep folder takes that name, so the take
// is kept under a name of the program's own choosing.
HostileName Pipe(const std::string& folder) {
    return Named(folder + "\\a|b.wav", folder, Outcome::kReported);
}

HostileName QuestionMark(const std::string& folder) {
    return Named(folder + "\\a?.wav", folder, Outcome::kReported);
}

// A relative name: its folder is the program's current folder, the test folder.
HostileName OnlyBlanks(const std::string& folder) {
    return Named("   ", folder, Outcome::kEither);
}

HostileName ThousandTaken(const std::string& folder) {
    const std::string path = folder + "\\take.wav";
    WriteBytes(path, kOldBytes);
    for (int i = 0; i < kTakenVariants; ++i) {
        WriteBytes(Variant(path, i), kOldBytes);
    }
    return Named(path, folder, Outcome::kSaved, Variant(path, kTakenVariants));
}

}  // namespace

const HostileNameCase kHostileNames[] = {
    {"LongestPathInTwoByteCharacters", LongestPathInTwoByteCharacters},
    {"LongestPathTakenInTwoByteCharacters", LongestPathTakenInTwoByteCharacters},
    {"LongestPathTakenInSingleByteCharacters", LongestPathTakenInSingleByteCharacters},
    {"TrailByte5CInFolderAndName_Hyou", HyouInNou},
    {"TrailByte5CInFolderAndName_So", SoInNou},
    {"TrailByte5CInExtension", TrailBackslashInExtension},
    {"TrailByte5CNameInMissingFolder", TrailBackslashNameInMissingFolder},
    {"ReadOnlyFolder", ReadOnlyFolder},
    {"ReadOnlyFile", ReadOnlyFile},
    {"NameOfAnExistingFolder", FolderOfThatName},
    {"ForbiddenPipe", Pipe},
    {"ForbiddenQuestionMark", QuestionMark},
    {"OnlyBlanks", OnlyBlanks},
    {"ThousandVariantsTaken", ThousandTaken},
};
const size_t kHostileNameCount = std::size(kHostileNames);

std::string MakePathOfLength(const std::string& folder, size_t length, const std::string& filler) {
    const size_t fileNameLeast = 1 + 1 + 4;  // "\x.wav"
    const size_t remaining = length > folder.size() + fileNameLeast ? length - folder.size() : fileNameLeast;
    // The file name as long as a name may be; the folders take the rest, never a single byte.
    size_t nameBytes = std::min(kMaxNameBytes, remaining - 1 - 4);
    if (remaining - 1 - 4 - nameBytes == 1) {
        --nameBytes;
    }
    const std::string inside =
        MakeFolderOfLength(folder, folder.size() + remaining - 1 - 4 - nameBytes, filler);
    return inside + "\\" + Fill(nameBytes, filler) + ".wav";
}

std::string Variant(const std::string& path, int number) {
    const size_t dot = CutPath(path).extensionDot;
    const std::string suffix = "-" + std::to_string(number);
    if (dot == std::string::npos) {
        return path + suffix;
    }
    return path.substr(0, dot) + suffix + path.substr(dot);
}

bool IsNameOrVariant(const std::string& path, const std::string& typed) {
    if (path == typed) {
        return true;
    }
    const size_t dot = CutPath(typed).extensionDot;
    const size_t stemEnd = dot == std::string::npos ? typed.size() : dot;
    const std::string prefix = typed.substr(0, stemEnd) + "-";
    const std::string extension = typed.substr(stemEnd);
    if (path.size() <= prefix.size() + extension.size() || path.compare(0, prefix.size(), prefix) != 0 ||
        path.compare(path.size() - extension.size(), extension.size(), extension) != 0) {
        return false;
    }
    const std::string number = path.substr(prefix.size(), path.size() - prefix.size() - extension.size());
    return !number.empty() && number.find_first_not_of("0123456789") == std::string::npos;
}
