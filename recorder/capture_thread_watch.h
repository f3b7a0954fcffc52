#pragma once

#include <windows.h>

#include <vector>

// The waveform-audio driver captures on a thread of its own, which goes on writing the end of
// the take and closing the input for a moment after the stop command has returned. Saving or
// closing the device during that moment can crash the process, so the end of a take waits for
// that thread instead of guessing how long it needs.
//
// The driver gives no handle to its thread: the watch notes the process's threads before the
// record command and afterwards keeps the new ones whose code lies in the driver's module.
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
    bool WaitForDriverThreads(DWORD timeoutMs);
    size_t Count() const { return threads_.size(); }

private:
    void Forget();

    std::vector<DWORD> existingIds_;
    std::vector<HANDLE> threads_;
};
