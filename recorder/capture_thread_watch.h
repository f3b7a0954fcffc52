#pragma once

#include <windows.h>

#include <cstddef>

// The waveform-audio driver captures on a thread of its own, which goes on writing the end of
// the take and closing the input for a moment after the stop command has returned. Saving or
// closing the device during that moment can crash the process, so the end of a take waits for
// that thread instead of guessing how long it needs.
//
// The driver gives no handle to its thread: the watch notes the process's threads before the
// record command and afterwards keeps the new ones whose code lies in the driver's module.
//
// Both lists have a fixed capacity and never allocate. Past kMaxNotedThreads the further threads
// of the process are not noted; they then count as new, and one of them is kept only if it runs
// the driver's code (an earlier take's thread still ending), which the wait then covers as well.
// Past kMaxDriverThreads further driver threads are not kept and not waited for: the wait covers
// the ones kept, and is bounded by its timeout either way.
class CaptureThreadWatch {
public:
    CaptureThreadWatch() = default;
    ~CaptureThreadWatch();
    CaptureThreadWatch(const CaptureThreadWatch&) = delete;
    CaptureThreadWatch& operator=(const CaptureThreadWatch&) = delete;

    // Call just before the record command.
    void NoteExistingThreads();
    // Call just after it: keeps the threads that appeared since and run the driver's code.
    void FindDriverThreads();
    // Waits until every kept thread has ended, at most timeoutMs (a driver that never lets its
    // thread end must not hang the program); true when they all ended. Forgets them either way.
    bool WaitForDriverThreads(DWORD timeoutMs = kEndTimeoutMs);
    size_t Count() const { return threadCount_; }

    // The driver's thread ends within a third of a second of the stop (one capture buffer); the
    // window's thread is held up no longer than this by a driver that keeps its thread longer.
    static constexpr DWORD kEndTimeoutMs = 1000;

    // The process runs the program's thread, the platform's own and the sound drivers': a few,
    // far below this.
    static constexpr size_t kMaxNotedThreads = 128;
    // The waveform driver captures on one thread per open device; the recorder opens one.
    static constexpr size_t kMaxDriverThreads = 8;

private:
    void Forget();
    bool WasNoted(DWORD id) const;

    DWORD notedIds_[kMaxNotedThreads] = {};
    size_t notedCount_ = 0;
    HANDLE threads_[kMaxDriverThreads] = {};
    size_t threadCount_ = 0;
};
