#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "recorder/file_naming.h"
#include "tests/support/guarded_page.h"
#include "tests/support/random_case.h"

namespace {

using testing::AssertionFailure;
using testing::AssertionResult;
using testing::AssertionSuccess;

constexpr int kCases = 100000;
// The longest path a path buffer holds.
constexpr size_t kLongestPath = kPathBufferSize - 1;

// ---------------------------------------------------------------------------------------------
// Random paths: short runs of letters, blanks, dots, separators, colons and drive roots, mixed
// with two-byte characters, most of all those whose trail byte is 0x5C.

char ByteIn(Random& random, unsigned first, unsigned last) {
    return static_cast<char>(first + Below(random, last - first + 1));
}

char LeadByte(Random& random) {
    return Below(random, 4) == 0 ? ByteIn(random, 0xE0, 0xFC) : ByteIn(random, 0x81, 0x9F);
}

char TrailByte(Random& random) {
    return Below(random, 3) == 0 ? ByteIn(random, 0x40, 0x7E) : ByteIn(random, 0x80, 0xFC);
}

std::string DriveRoot(Random& random) {
    return std::string(1, ByteIn(random, 'A', 'Z')) + ":\\";
}

// 表 95 5C, ソ 83 5C, 能 94 5C, 十 8F 5C, 予 97 5C; 録 98 5E and 音 89 B9 for contrast.
const char* const kTwoByteCharacters[] = {"表", "ソ", "能", "十", "予", "録", "音"};

std::string Piece(Random& random) {
    enum Kind { kLetter, kBlank, kDot, kBackslash, kSlash, kColon, kDrive, kNamed, kPair, kOddPair, kKana };
    static std::discrete_distribution<int> kinds({6, 1, 2, 3, 1, 1, 1, 3, 2, 1, 1});
    switch (kinds(random)) {
        case kLetter:
            return std::string(1,
                               Below(random, 2) == 0 ? ByteIn(random, 'a', 'z') : ByteIn(random, 'A', 'Z'));
        case kBlank:
            return " ";
        case kDot:
            return ".";
        case kBackslash:
            return "\\";
        case kSlash:
            return "/";
        case kColon:
            return ":";
        case kDrive:
            return DriveRoot(random);
        case kNamed:
            return kTwoByteCharacters[Below(random, std::size(kTwoByteCharacters))];
        case kPair:
            return {LeadByte(random), TrailByte(random)};
        case kOddPair:
            // Not a real character, but a lead byte still takes the byte after it along.
            return {LeadByte(random), ".:/ "[Below(random, 4)]};
        default:
            return std::string(1, ByteIn(random, 0xA1, 0xDF));
    }
}

// 0 to 303 bytes, half of them drive-rooted; cutting at the length may leave a lead byte last,
// and one path in eight is given one there on purpose. Half the paths are short, so that a
// failing case is usually one that can be read at a glance.
std::string RandomPath(Random& random) {
    const size_t length = Below(random, 2) == 0 ? Below(random, 41) : Below(random, kLongestPath + 1);
    std::string path = Below(random, 2) == 0 ? DriveRoot(random) : "";
    while (path.size() < length) {
        path += Piece(random);
    }
    path.resize(length);
    if (length > 0 && Below(random, 8) == 0) {
        path.back() = LeadByte(random);
    }
    return path;
}

// ---------------------------------------------------------------------------------------------
// An independent walk over the path: where each character begins. A lead byte takes the byte
// after it along, unless it is the last byte of the path.

std::vector<bool> CharacterStarts(const std::string& path) {
    std::vector<bool> starts(path.size() + 1, false);
    for (size_t i = 0; i < path.size();) {
        starts[i] = true;
        const bool pair = IsDBCSLeadByte(static_cast<BYTE>(path[i])) == 1 && i + 1 < path.size();
        i += pair ? 2 : 1;
    }
    starts[path.size()] = true;
    return starts;
}

bool IsCharacter(const std::string& path, const std::vector<bool>& starts, size_t i, const char* set) {
    return i < path.size() && starts[i] && strchr(set, path[i]) != nullptr;
}

// Index of the last single-byte character of set at or after from, or npos.
size_t LastCharacter(const std::string& path, const std::vector<bool>& starts, size_t from, const char* set) {
    size_t last = std::string::npos;
    for (size_t i = from; i < path.size(); ++i) {
        if (IsCharacter(path, starts, i, set)) {
            last = i;
        }
    }
    return last;
}

bool IsDriveRooted(const std::string& path) {
    return path.size() >= 3 && path[1] == ':' && path[2] == '\\';
}

// ---------------------------------------------------------------------------------------------
// Output parts between guards.

struct Part {
    const char* name;
    GuardedBuffer buffer;

    std::string Text() const { return buffer.Data(); }
};

// Checked before anything is read from the parts: no byte outside a buffer changed and each holds
// a terminator.
AssertionResult InBoundsAndTerminated(std::initializer_list<const Part*> parts) {
    for (const Part* part : parts) {
        if (!part->buffer.GuardsIntact()) {
            return AssertionFailure() << "wrote outside the " << part->name << " buffer";
        }
        if (!part->buffer.Terminated()) {
            return AssertionFailure() << "left the " << part->name << " unterminated";
        }
    }
    return AssertionSuccess();
}

struct SplitPathParts {
    Part drive{"drive", GuardedBuffer(kDrivePartSize)};
    Part directory{"directory", GuardedBuffer(kPathBufferSize)};
    Part baseName{"base name", GuardedBuffer(kPathBufferSize)};
    Part extension{"extension", GuardedBuffer(kPathBufferSize)};

    explicit SplitPathParts(const char* path) {
        SplitPath(path, drive.buffer.Data(), directory.buffer.Data(), baseName.buffer.Data(),
                  extension.buffer.Data());
    }
    AssertionResult Sound() const {
        return InBoundsAndTerminated({&drive, &directory, &baseName, &extension});
    }
};

struct SplitAnyPathParts {
    Part folder{"folder", GuardedBuffer(kPathBufferSize)};
    Part baseName{"base name", GuardedBuffer(kPathBufferSize)};
    Part extension{"extension", GuardedBuffer(kPathBufferSize)};

    explicit SplitAnyPathParts(const char* path) {
        SplitAnyPath(path, folder.buffer.Data(), baseName.buffer.Data(), extension.buffer.Data());
    }
    AssertionResult Sound() const { return InBoundsAndTerminated({&folder, &baseName, &extension}); }
};

// The part holds exactly the bytes from..to of the path.
AssertionResult IsSlice(const Part& part, const std::string& path, size_t from, size_t to) {
    const std::string expected = path.substr(from, to - from);
    if (part.Text() != expected) {
        return AssertionFailure() << "the " << part.name << " is " << HexBytes(part.Text())
                                  << ", expected bytes " << from << " to " << to << ": "
                                  << HexBytes(expected);
    }
    return AssertionSuccess();
}

// The file name runs from nameStart to the end of the path. The extension is its last dot
// character and what follows it, or empty with no dot there; the base name is the rest.
AssertionResult SplitAtTheLastDot(const Part& baseName,
                                  const Part& extension,
                                  const std::string& path,
                                  const std::vector<bool>& starts,
                                  size_t nameStart) {
    const size_t lastDot = LastCharacter(path, starts, nameStart, ".");
    const size_t dot = lastDot == std::string::npos ? path.size() : lastDot;
    if (AssertionResult base = IsSlice(baseName, path, nameStart, dot); !base) {
        return base;
    }
    return IsSlice(extension, path, dot, path.size());
}

// Runs check on every random path (see ForEachRandomCase).
void ForEachRandomPath(
    const std::function<AssertionResult(const char* placed, const std::string& path)>& check) {
    ASSERT_EQ(IsDBCSLeadByte(0x95), 1) << "the tests need the Shift-JIS code page (932)";
    ForEachRandomCase(kCases, kPathBufferSize, RandomPath, check);
}

// ---------------------------------------------------------------------------------------------
// SplitPath

TEST(SplitPathProperty, WritesOnlyInsideThePartsAndOnlyForDriveRootedPaths) {
    ForEachRandomPath([](const char* placed, const std::string& path) -> AssertionResult {
        const SplitPathParts parts(placed);
        if (IsDriveRooted(path)) {
            return parts.Sound();
        }
        for (const Part* part : {&parts.drive, &parts.directory, &parts.baseName, &parts.extension}) {
            if (!part->buffer.Untouched() || !part->buffer.GuardsIntact()) {
                return AssertionFailure()
                       << "wrote into the " << part->name << " of a path that is not drive-rooted";
            }
        }
        return AssertionSuccess();
    });
}

// The checks of the parts of a drive-rooted path, run once the split is known to be sound (in
// its buffers and terminated); other paths are the concern of the first test.
void ForEachSoundDriveRootedSplit(
    const std::function<AssertionResult(const SplitPathParts& parts, const std::string& path)>& check) {
    ForEachRandomPath([&](const char* placed, const std::string& path) -> AssertionResult {
        if (!IsDriveRooted(path)) {
            return AssertionSuccess();
        }
        const SplitPathParts parts(placed);
        if (AssertionResult sound = parts.Sound(); !sound) {
            return sound;
        }
        return check(parts, path);
    });
}

// The drive is the first two bytes; the directory runs from there to the last backslash that is a
// character of its own: a 0x5C trail byte is never a separator.
TEST(SplitPathProperty, DirectoryEndsAtTheLastBackslashCharacter) {
    ForEachSoundDriveRootedSplit([](const SplitPathParts& parts, const std::string& path) -> AssertionResult {
        const size_t nameStart = LastCharacter(path, CharacterStarts(path), 2, "\\") + 1;
        if (AssertionResult drive = IsSlice(parts.drive, path, 0, 2); !drive) {
            return drive;
        }
        return IsSlice(parts.directory, path, 2, nameStart);
    });
}

TEST(SplitPathProperty, ExtensionStartsAtTheLastDotOfTheFileName) {
    ForEachSoundDriveRootedSplit([](const SplitPathParts& parts, const std::string& path) -> AssertionResult {
        const std::vector<bool> starts = CharacterStarts(path);
        const size_t nameStart = LastCharacter(path, starts, 2, "\\") + 1;
        return SplitAtTheLastDot(parts.baseName, parts.extension, path, starts, nameStart);
    });
}

// ---------------------------------------------------------------------------------------------
// SplitAnyPath

// Every part in its buffer and terminated. The folder ends at the last '\' or '/' that is a
// character of its own, or after the "X:" of a drive-relative name; the extension begins at the
// last dot of the file name.
TEST(SplitAnyPathProperty, CutsAtTheLastSeparatorAndTheLastDotCharacters) {
    ForEachRandomPath([](const char* placed, const std::string& path) -> AssertionResult {
        const SplitAnyPathParts parts(placed);
        if (AssertionResult sound = parts.Sound(); !sound) {
            return sound;
        }
        const std::vector<bool> starts = CharacterStarts(path);
        const size_t driveLength = path.size() >= 2 && path[1] == ':' ? 2 : 0;
        const size_t lastSeparator = LastCharacter(path, starts, driveLength, "\\/");
        const size_t nameStart = lastSeparator == std::string::npos ? driveLength : lastSeparator + 1;
        if (AssertionResult folder = IsSlice(parts.folder, path, 0, nameStart); !folder) {
            return folder;
        }
        return SplitAtTheLastDot(parts.baseName, parts.extension, path, starts, nameStart);
    });
}

}  // namespace
