#pragma once

#include <windows.h>

// Closes a kernel handle (a file, a process, a thread, a snapshot) when it goes. Functions that
// open files and snapshots say "none" with INVALID_HANDLE_VALUE, those that open processes with
// null; neither is closed.
class HandleGuard {
public:
    explicit HandleGuard(HANDLE handle) : handle_(handle) {}
    ~HandleGuard() {
        if (IsOpen()) {
            CloseHandle(handle_);
        }
    }
    HandleGuard(const HandleGuard&) = delete;
    HandleGuard& operator=(const HandleGuard&) = delete;

    HANDLE Get() const { return handle_; }
    // Hands the handle to a caller who closes it itself.
    HANDLE Release() {
        HANDLE handle = handle_;
        handle_ = nullptr;
        return handle;
    }
    bool IsOpen() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};
