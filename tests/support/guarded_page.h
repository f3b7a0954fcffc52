#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

// Room for bytes at the very end of committed memory, directly followed by a page that may be
// neither read nor written, so that a read one byte past the bytes faults at once.
// The fault does not end the program: it is caught, noted, and the guard page is opened so that
// the code under test runs on (reading zero bytes, which end any text) and the test can say which
// input it was. Place() closes the guard again.
class GuardedPage {
public:
    // Room for at most capacity bytes in front of the guard page.
    explicit GuardedPage(size_t capacity);
    ~GuardedPage();
    GuardedPage(const GuardedPage&) = delete;
    GuardedPage& operator=(const GuardedPage&) = delete;

    // Copies size bytes (at most the capacity) so that the last of them is the last byte before
    // the guard page, and returns the copy.
    char* Place(const void* bytes, size_t size);
    // Places a text and its terminator, the terminator last.
    char* PlaceText(const std::string& text) { return Place(text.c_str(), text.size() + 1); }

    // True when something touched the guard page since the last Place().
    bool Touched() const { return touched_; }
    // The first byte of the guard page.
    const char* GuardStart() const { return guard_; }

private:
    // Turns a touch of a live guard page into a note; any other fault goes on to the next handler.
    static LONG WINAPI OnFault(EXCEPTION_POINTERS* info);

    // Makes the guard page inaccessible again after a caught touch.
    void CloseGuard();

    char* base_ = nullptr;
    char* guard_ = nullptr;
    size_t capacity_ = 0;
    size_t pageSize_ = 0;
    bool touched_ = false;
    GuardedPage* nextLive_ = nullptr;
};

// An output buffer between two guard regions filled with a known pattern, for checking that a
// function writes only inside the buffer it was given. The buffer itself is filled with another
// pattern, never zero, so that a terminator in it must have been written.
class GuardedBuffer {
public:
    static constexpr unsigned char kGuardByte = 0xFD;
    static constexpr unsigned char kFillByte = 0xCD;
    static constexpr size_t kGuardSize = 32;

    explicit GuardedBuffer(size_t size);

    char* Data() { return reinterpret_cast<char*>(bytes_.data() + kGuardSize); }
    const char* Data() const { return reinterpret_cast<const char*>(bytes_.data() + kGuardSize); }
    size_t Size() const { return size_; }

    // Fills the guards and the buffer with their patterns again.
    void Reset();
    // False when any guard byte changed.
    bool GuardsIntact() const;
    // True when the buffer still holds only the fill pattern: nothing was written into it.
    bool Untouched() const;
    // True when the buffer holds a terminator.
    bool Terminated() const;

private:
    size_t size_;
    std::vector<unsigned char> bytes_;
};
