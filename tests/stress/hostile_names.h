#pragma once

#include <cstddef>
#include <string>
#include <vector>

// File names a user can type that make the naming of a take hard: paths as long as the name box
// reads, two-byte characters whose second byte is a backslash, read-only targets, names the
// system forbids, and a thousand names already taken. Each builder makes what the test folder
// holds before the take and says what must become of the take.

enum class Outcome {
    kSaved,     // saved in the intended folder
    kReported,  // "エラー:MCI_SAVE", then kept in the keep folder
    kEither,    // either of the two; the test says which happened
};

struct HostileName {
    std::string typed;           // the text put into the name box
    std::string intendedFolder;  // where a saved take belongs
    // The free name the take must get: the full path it is saved under or, when it is reported,
    // the file name it is kept under in the keep folder (the name part of this path). Empty
    // when any free name will do.
    std::string freeName;
    Outcome outcome = Outcome::kEither;
};

struct HostileNameCase {
    const char* label;
    // Makes what the test folder (a full path) holds before the first take.
    HostileName (*prepare)(const std::string& folder);
};

extern const HostileNameCase kHostileNames[];
extern const size_t kHostileNameCount;

// A path of exactly `length` bytes below folder, ending in ".wav", made of `filler` (one
// character of one or two bytes, never split) with a single-byte 'x' where a byte is left over.
// The folders on the way are created (see MakeFolderOfLength); the file is not.
std::string MakePathOfLength(const std::string& folder, size_t length, const std::string& filler);

// "dir\name-N.ext" for "dir\name.ext"; "dir\name-N" when the name has no dot.
std::string Variant(const std::string& path, int number);

// True when path is `typed` itself or one of its variants "-N".
bool IsNameOrVariant(const std::string& path, const std::string& typed);
