#pragma once

#include <cstddef>

#include "recorder/file_naming.h"

// Receives the text of a failed device command ("エラー:MCI_OPEN", ...).
using ErrorHandler = void (*)(const char* message);

// Shows the message in a box titled "error" with one OK button and no owner window, and returns
// when the user has closed it, also when the program's quit message arrives meanwhile.
void DefaultErrorHandler(const char* message);

// What went wrong in one sequence of device commands, in the order it happened, held back until
// the take is on disk: a box waits for the user, and the session may end while it does.
class PendingReports {
public:
    // One of the recorder's own texts, which live as long as the program.
    void Add(const char* message);
    // "録音は次のファイルに保存しました:" and the path on the next line. The path is copied. A
    // sequence keeps at most one file elsewhere, so one such text is held; a second replaces it.
    void AddKeptAt(const char* keptPath);
    void Clear() { count_ = 0; }
    // Forgets what was added after the first count texts.
    void DropAfter(size_t count) { count_ = count < count_ ? count : count_; }
    size_t Count() const { return count_; }
    const char* At(size_t index) const { return texts_[index]; }

    // A sequence says at most this much: a stop, a save, where the take went and a close, then
    // for the next file of a long take an open, a format, a record and a close.
    static constexpr size_t kMaxReports = 8;
    // Bytes of the kept-at text's format in the longer of its encodings, its terminator counted.
    static constexpr size_t kKeptAtFormatRoom = 56;

private:
    const char* texts_[kMaxReports] = {};
    size_t count_ = 0;
    // The kept-at text: its format and a path of up to kPathBufferSize - 1 bytes.
    char keptAt_[kKeptAtFormatRoom + kPathBufferSize] = {};
};
