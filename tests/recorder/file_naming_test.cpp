#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "recorder/file_naming.h"
#include "tests/support/guarded_page.h"
#include "recorder/handle_guard.h"
#include "tests/support/long_path_files.h"
#include "tests/support/temp_dir.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Guards for what the tests create.

// Makes a folder the current directory and restores the previous one.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::string& folder) {
        GetCurrentDirectoryA(sizeof(saved_), saved_);
        changed_ = SetCurrentDirectoryA(folder.c_str()) != 0;
    }
    ~CurrentDirectory() { SetCurrentDirectoryA(saved_); }
    CurrentDirectory(const CurrentDirectory&) = delete;
    CurrentDirectory& operator=(const CurrentDirectory&) = delete;

    bool changed() const { return changed_; }

private:
    char saved_[MAX_PATH + 1] = {};
    bool changed_ = false;
};

// A new empty file; false when the name is taken. Made through the ANSI function, as the program
// sees names: "take." is the file "take" there, where a long-path function would keep the dot.
bool MakeFile(const std::string& path) {
    HandleGuard file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.IsOpen();
}

struct SearchResult {
    bool found;
    std::string path;
};

SearchResult Search(const std::string& path) {
    char buffer[kPathBufferSize] = {};
    EXPECT_LT(path.size(), sizeof(buffer));
    path.copy(buffer, sizeof(buffer) - 1);
    const bool found = FindFreePath(buffer);
    return {found, buffer};
}

// Every path that FindFreePath hands back must be free, whatever its form.
::testing::AssertionResult FoundFree(const SearchResult& result, const std::string& expected) {
    if (!result.found) {
        return ::testing::AssertionFailure() << "no free name found for " << expected;
    }
    if (result.path != expected) {
        return ::testing::AssertionFailure() << "got " << result.path << ", want " << expected;
    }
    if (FileExists(result.path.c_str())) {
        return ::testing::AssertionFailure() << result.path << " exists";
    }
    return ::testing::AssertionSuccess();
}

// What a part buffer holds before each call, so that a part never written cannot pass for one
// that was: no split gives this text.
constexpr char kUnwritten[] = "(not written)";

// ---------------------------------------------------------------------------------------------
// SplitPath

struct SplitRow {
    const char* path;
    const char* drive;
    const char* directory;
    const char* baseName;
    const char* extension;
};

// 表 is 95 5C and ソ is 83 5C: their second byte has the value of the backslash.
const SplitRow kDriveRootedRows[] = {
    {"C:\\rec\\take.wav", "C:", "\\rec\\", "take", ".wav"},
    {"C:\\take.wav", "C:", "\\", "take", ".wav"},
    {"C:\\", "C:", "\\", "", ""},
    {"1:\\x.wav", "1:", "\\", "x", ".wav"},
    {"D:\\rec.old\\take", "D:", "\\rec.old\\", "take", ""},
    {"C:\\a.b\\c.d\\e", "C:", "\\a.b\\c.d\\", "e", ""},
    {"C:\\rec\\a.b.wav", "C:", "\\rec\\", "a.b", ".wav"},
    {"C:\\rec\\.wav", "C:", "\\rec\\", "", ".wav"},
    {"C:\\rec\\take.", "C:", "\\rec\\", "take", "."},
    {"C:\\rec\\", "C:", "\\rec\\", "", ""},
    {"C:\\録音\\表.wav", "C:", "\\録音\\", "表", ".wav"},
    {"C:\\録音\\ソ.wav", "C:", "\\録音\\", "ソ", ".wav"},
    {"C:\\表\\ソ\\take.wav", "C:", "\\表\\ソ\\", "take", ".wav"},
    {"C:\\rec\\表ソ", "C:", "\\rec\\", "表ソ", ""},
    {"C:\\表.d\\ソ", "C:", "\\表.d\\", "ソ", ""},
    // Only the backslash separates here; the free-name search hands paths with '/' elsewhere.
    {"C:\\rec/take.wav", "C:", "\\", "rec/take", ".wav"},
    {"C:\\rec.d/take", "C:", "\\", "rec", ".d/take"},
    // A lead byte just before the terminator is a character of its own.
    {"C:\\rec\\take\x95", "C:", "\\rec\\", "take\x95", ""},
    {"C:\\rec\\take.\x95", "C:", "\\rec\\", "take", ".\x95"},
    {"C:\\\x95", "C:", "\\", "\x95", ""},
};

const char* const kNotDriveRooted[] = {
    "",
    "C",
    "C:",
    "take.wav",
    "sub\\take.wav",
    "..\\take.wav",
    "\\\\server\\share\\take.wav",
    "\\rec\\take.wav",
    "C:take.wav",
    "C:/rec/take.wav",
};

// The four part buffers, each between guard bytes and filled with a pattern, so that a write past
// a part and a part the split did not write both show.
struct GuardedParts {
    GuardedBuffer drive{kDrivePartSize};
    GuardedBuffer directory{kPathBufferSize};
    GuardedBuffer baseName{kPathBufferSize};
    GuardedBuffer extension{kPathBufferSize};

    bool GuardsIntact() const {
        return drive.GuardsIntact() && directory.GuardsIntact() && baseName.GuardsIntact() &&
               extension.GuardsIntact();
    }
    bool Untouched() const {
        return drive.Untouched() && directory.Untouched() && baseName.Untouched() && extension.Untouched();
    }
    void Split(const char* path) {
        SplitPath(path, drive.Data(), directory.Data(), baseName.Data(), extension.Data());
    }
};

TEST(SplitPath, SplitsDriveRootedPathsByCharacterNotByte) {
    for (const SplitRow& row : kDriveRootedRows) {
        SCOPED_TRACE(row.path);
        GuardedParts parts;
        parts.Split(row.path);
        EXPECT_STREQ(parts.drive.Data(), row.drive);
        EXPECT_STREQ(parts.directory.Data(), row.directory);
        EXPECT_STREQ(parts.baseName.Data(), row.baseName);
        EXPECT_STREQ(parts.extension.Data(), row.extension);
        EXPECT_TRUE(parts.GuardsIntact());
    }
}

// The one caller passes all four parts, but each part must come out the same on its own.
TEST(SplitPath, WritesOnlyThePartsAskedFor) {
    for (const SplitRow& row : kDriveRootedRows) {
        SCOPED_TRACE(row.path);
        SplitPath(row.path, nullptr, nullptr, nullptr, nullptr);
        // Only part `which` (drive, directory, base name, extension) asked for.
        const auto onlyPart = [&](int which) {
            char part[kPathBufferSize];
            strcpy(part, kUnwritten);
            char* parts[4] = {};
            parts[which] = part;
            SplitPath(row.path, parts[0], parts[1], parts[2], parts[3]);
            return std::string(part);
        };
        EXPECT_EQ(onlyPart(0), row.drive);
        EXPECT_EQ(onlyPart(1), row.directory);
        EXPECT_EQ(onlyPart(2), row.baseName);
        EXPECT_EQ(onlyPart(3), row.extension);
    }
}

TEST(SplitPath, LeavesOtherPathsAlone) {
    for (const char* path : kNotDriveRooted) {
        SCOPED_TRACE(path);
        GuardedParts parts;
        parts.Split(path);
        EXPECT_TRUE(parts.GuardsIntact());
        EXPECT_TRUE(parts.Untouched());
    }
}

// The longest path a buffer holds gives a 301-byte directory; a longer path must not overrun.
TEST(SplitPath, LongPathsStayInsideTheParts) {
    const std::string longest = "C:\\" + std::string(299, 'd') + "\\";
    GuardedParts parts;
    parts.Split(longest.c_str());
    EXPECT_EQ(std::string(parts.directory.Data()), longest.substr(2));
    EXPECT_TRUE(parts.GuardsIntact());

    const std::string tooLong =
        "C:\\" + std::string(400, 'd') + "\\" + std::string(400, 'n') + "." + std::string(400, 'e');
    GuardedParts cut;
    cut.Split(tooLong.c_str());
    EXPECT_EQ(strlen(cut.directory.Data()), kPathBufferSize - 1);
    EXPECT_EQ(strlen(cut.baseName.Data()), kPathBufferSize - 1);
    EXPECT_EQ(strlen(cut.extension.Data()), kPathBufferSize - 1);
    EXPECT_TRUE(cut.GuardsIntact());
}

// ---------------------------------------------------------------------------------------------
// SplitAnyPath

struct AnySplitRow {
    const char* path;
    const char* folder;
    const char* baseName;
    const char* extension;
};

const AnySplitRow kAnyPathRows[] = {
    {"take.wav", "", "take", ".wav"},
    {"sub\\take.wav", "sub\\", "take", ".wav"},
    {"..\\take.wav", "..\\", "take", ".wav"},
    {"\\\\server\\share\\take.wav", "\\\\server\\share\\", "take", ".wav"},
    {"\\rec\\take.wav", "\\rec\\", "take", ".wav"},
    {"C:take.wav", "C:", "take", ".wav"},
    {"C:sub\\take.wav", "C:sub\\", "take", ".wav"},
    {"C:", "C:", "", ""},
    {"C:/rec/take.wav", "C:/rec/", "take", ".wav"},
    {"C:\\rec.old/take", "C:\\rec.old/", "take", ""},
    {"sub/take.wav", "sub/", "take", ".wav"},
    {"rec.old\\take", "rec.old\\", "take", ""},
    {"a.b.wav", "", "a.b", ".wav"},
    {".wav", "", "", ".wav"},
    {"", "", "", ""},
    {"表.wav", "", "表", ".wav"},
    {"録音\\表.wav", "録音\\", "表", ".wav"},
    {"表\\ソ", "表\\", "ソ", ""},
    {"ソ/表.d/take", "ソ/表.d/", "take", ""},
    {"sub\\take\x95", "sub\\", "take\x95", ""},
};

TEST(SplitAnyPath, KeepsTheWholeFolderInFront) {
    for (const AnySplitRow& row : kAnyPathRows) {
        SCOPED_TRACE(row.path);
        GuardedParts parts;
        SplitAnyPath(row.path, parts.directory.Data(), parts.baseName.Data(), parts.extension.Data());
        EXPECT_STREQ(parts.directory.Data(), row.folder);
        EXPECT_STREQ(parts.baseName.Data(), row.baseName);
        EXPECT_STREQ(parts.extension.Data(), row.extension);
        EXPECT_TRUE(parts.GuardsIntact());
        char part[kPathBufferSize];
        strcpy(part, kUnwritten);
        SplitAnyPath(row.path, nullptr, part, nullptr);
        EXPECT_STREQ(part, row.baseName);
    }
}

// ---------------------------------------------------------------------------------------------
// FileExists

TEST(FileExists, SeesFilesAndFoldersButNothingElse) {
    TempDir temp{"naming"};
    ASSERT_TRUE(MakeFile(temp.Prefix() + "表.wav"));
    ASSERT_TRUE(MakeFolder(temp.Prefix() + "録音"));
    EXPECT_TRUE(FileExists((temp.Prefix() + "表.wav").c_str()));
    EXPECT_TRUE(FileExists((temp.Prefix() + "録音").c_str()));
    EXPECT_TRUE(FileExists(temp.Prefix().c_str()));
    EXPECT_FALSE(FileExists((temp.Prefix() + "take.wav").c_str()));
    EXPECT_FALSE(FileExists((temp.Prefix() + "missing\\take.wav").c_str()));
    EXPECT_FALSE(FileExists(""));
}

// ---------------------------------------------------------------------------------------------
// FindFreePath

TEST(FindFreePath, KeepsAPathThatIsFree) {
    TempDir temp{"naming"};
    EXPECT_TRUE(FoundFree(Search(temp.Prefix() + "take.wav"), temp.Prefix() + "take.wav"));
    EXPECT_TRUE(FoundFree(Search(temp.Prefix() + "missing\\take.wav"), temp.Prefix() + "missing\\take.wav"));
}

// Each search starts from the name given and from 0: take-0, take-1, never take-0-1.
TEST(FindFreePath, CountsUpFromTheNameGiven) {
    TempDir temp{"naming"};
    const std::string take = temp.Prefix() + "take.wav";
    ASSERT_TRUE(MakeFile(take));
    EXPECT_TRUE(FoundFree(Search(take), temp.Prefix() + "take-0.wav"));
    ASSERT_TRUE(MakeFile(temp.Prefix() + "take-0.wav"));
    EXPECT_TRUE(FoundFree(Search(take), temp.Prefix() + "take-1.wav"));
    ASSERT_TRUE(MakeFile(temp.Prefix() + "take-1.wav"));
    EXPECT_TRUE(FoundFree(Search(take), temp.Prefix() + "take-2.wav"));
}

TEST(FindFreePath, ChoosesTheLowestFreeNumber) {
    TempDir temp{"naming"};
    ASSERT_TRUE(MakeFile(temp.Prefix() + "take.wav"));
    ASSERT_TRUE(MakeFile(temp.Prefix() + "take-1.wav"));
    EXPECT_TRUE(FoundFree(Search(temp.Prefix() + "take.wav"), temp.Prefix() + "take-0.wav"));
}

TEST(FindFreePath, CountsFoldersAsTaken) {
    TempDir temp{"naming"};
    ASSERT_TRUE(MakeFolder(temp.Prefix() + "take.wav"));
    ASSERT_TRUE(MakeFolder(temp.Prefix() + "take-0.wav"));
    EXPECT_TRUE(FoundFree(Search(temp.Prefix() + "take.wav"), temp.Prefix() + "take-1.wav"));
}

struct TakenRow {
    const char* folder;  // made first when not empty
    const char* taken;   // the existing file, inside the temporary folder
    const char* expected;
};

// Where the number goes, for names that exist, each in a fresh temporary folder.
TEST(FindFreePath, PutsTheNumberBeforeTheLastDotOfTheFileName) {
    const TakenRow rows[] = {
        {"rec.old", "rec.old\\take", "rec.old\\take-0"},
        {"", "a.b.wav", "a.b-0.wav"},
        {"", ".wav", "-0.wav"},
        {"", "take.", "take-0."},
        {"録音", "録音\\表.wav", "録音\\表-0.wav"},
        {"録音", "録音\\ソ.wav", "録音\\ソ-0.wav"},
        {"表", "表\\ソ", "表\\ソ-0"},
    };
    for (const TakenRow& row : rows) {
        SCOPED_TRACE(row.taken);
        TempDir temp{"naming"};
        if (row.folder[0] != '\0') {
            ASSERT_TRUE(MakeFolder(temp.Prefix() + row.folder));
        }
        ASSERT_TRUE(MakeFile(temp.Prefix() + row.taken));
        EXPECT_TRUE(FoundFree(Search(temp.Prefix() + row.taken), temp.Prefix() + row.expected));
    }
}

// A root exists as a folder; its free name is "-0" in the root itself.
TEST(FindFreePath, NumbersARoot) {
    TempDir temp{"naming"};
    const std::string root = temp.Prefix().substr(0, 3);
    ASSERT_EQ(root[2], '\\');
    EXPECT_TRUE(FoundFree(Search(root), root + "-0"));
}

// Relative names, names from the root of the current drive, drive-relative names and forward
// slashes get their free name in the same folder, not a bare "-0".
TEST(FindFreePath, KeepsOtherPathFormsInTheirFolder) {
    TempDir temp{"naming"};
    ASSERT_TRUE(MakeFolder(temp.Prefix() + "sub"));
    ASSERT_TRUE(MakeFolder(temp.Prefix() + "rec.old"));
    ASSERT_TRUE(MakeFolder(temp.Prefix() + "録音"));
    for (const char* name : {"take.wav", "sub\\take.wav", "rec.old\\take", "録音\\表.wav"}) {
        ASSERT_TRUE(MakeFile(temp.Prefix() + name));
    }
    const std::string drive = temp.Prefix().substr(0, 2);
    const std::string fromRoot = temp.Prefix().substr(2);
    std::string slashed = temp.Prefix();
    for (char& c : slashed) {
        c = c == '\\' ? '/' : c;
    }
    CurrentDirectory current(temp.Prefix() + "sub");
    ASSERT_TRUE(current.changed());

    const struct {
        std::string given;
        std::string expected;
    } rows[] = {
        {"take.wav", "take-0.wav"},
        {"..\\take.wav", "..\\take-0.wav"},
        {"..\\sub\\take.wav", "..\\sub\\take-0.wav"},
        {"..\\rec.old\\take", "..\\rec.old\\take-0"},
        {"..\\録音\\表.wav", "..\\録音\\表-0.wav"},
        {"../sub/take.wav", "../sub/take-0.wav"},
        {"../rec.old/take", "../rec.old/take-0"},
        {drive + "take.wav", drive + "take-0.wav"},
        {fromRoot + "take.wav", fromRoot + "take-0.wav"},
        {slashed + "take.wav", slashed + "take-0.wav"},
        {temp.Prefix() + "rec.old/take", temp.Prefix() + "rec.old/take-0"},
        {"\\\\?\\" + temp.Prefix() + "take.wav", "\\\\?\\" + temp.Prefix() + "take-0.wav"},
        {"\\\\.\\" + temp.Prefix() + "take.wav", "\\\\.\\" + temp.Prefix() + "take-0.wav"},
        {"missing.wav", "missing.wav"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.given);
        ASSERT_TRUE(row.given == row.expected || FileExists(row.given.c_str()));
        EXPECT_TRUE(FoundFree(Search(row.given), row.expected));
    }
}

// ---------------------------------------------------------------------------------------------
// Paths near the end of the buffer

// A folder, with its trailing backslash, in which "take.wav" has a path of exactly length bytes.
// Two-byte names keep the path within the platform's 260 characters.
std::string FolderForTakeOfLength(const TempDir& temp, size_t length) {
    const std::string folder =
        MakeFolderOfLength(temp.Path(), length - std::string("\\take.wav").size(), "表");
    return folder.empty() ? folder : folder + "\\";
}

TEST(FindFreePath, UsesCandidatesThatFitTheBuffer) {
    for (size_t length : {299u, 301u}) {
        SCOPED_TRACE(length);
        TempDir temp{"naming"};
        const std::string folder = FolderForTakeOfLength(temp, length);
        ASSERT_FALSE(folder.empty());
        ASSERT_EQ((folder + "take.wav").size(), length);
        ASSERT_TRUE(MakeFile(folder + "take.wav"));
        EXPECT_TRUE(FoundFree(Search(folder + "take.wav"), folder + "take-0.wav"));
    }
}

// A name that does not fit is never cut short: the search fails and the path stays as given.
TEST(FindFreePath, FailsWhenNoFreeCandidateFits) {
    for (size_t length : {302u, 303u}) {
        SCOPED_TRACE(length);
        TempDir temp{"naming"};
        const std::string folder = FolderForTakeOfLength(temp, length);
        ASSERT_FALSE(folder.empty());
        ASSERT_TRUE(MakeFile(folder + "take.wav"));
        const SearchResult result = Search(folder + "take.wav");
        EXPECT_FALSE(result.found);
        EXPECT_EQ(result.path, folder + "take.wav");
    }
}

// From 300 bytes, -0 to -9 fit and -10 needs 303 bytes; from 301 bytes -10 needs 304.
TEST(FindFreePath, StopsWhenTheNumberOutgrowsTheBuffer) {
    for (size_t length : {300u, 301u}) {
        SCOPED_TRACE(length);
        TempDir temp{"naming"};
        const std::string folder = FolderForTakeOfLength(temp, length);
        ASSERT_FALSE(folder.empty());
        ASSERT_TRUE(MakeFile(folder + "take.wav"));
        for (int i = 0; i < 10; ++i) {
            ASSERT_TRUE(MakeFile(folder + "take-" + std::to_string(i) + ".wav"));
        }
        const SearchResult result = Search(folder + "take.wav");
        if (length == 300) {
            EXPECT_TRUE(FoundFree(result, folder + "take-10.wav"));
        } else {
            EXPECT_FALSE(result.found);
            EXPECT_EQ(result.path, folder + "take.wav");
        }
    }
}

TEST(FindFreePath, RefusesABufferWithoutTerminator) {
    struct {
        char path[kPathBufferSize];
        char after[4];
    } buffer;
    memset(buffer.path, 'a', sizeof(buffer.path));
    memset(buffer.after, 0, sizeof(buffer.after));
    EXPECT_FALSE(FindFreePath(buffer.path));
    for (char c : buffer.path) {
        ASSERT_EQ(c, 'a');
    }
}

}  // namespace
