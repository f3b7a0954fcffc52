#include "tests/support/guarded_page.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>

namespace {

// Every guarded page alive, so that the one fault handler can tell whose guard was touched. The
// tests run on one thread.
GuardedPage* g_firstLive = nullptr;
PVOID g_faultHandler = nullptr;

size_t SystemPageSize() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
}

}  // namespace

GuardedPage::GuardedPage(size_t capacity) : capacity_(capacity), pageSize_(SystemPageSize()) {
    const size_t dataPages = capacity == 0 ? 1 : (capacity + pageSize_ - 1) / pageSize_;
    base_ = static_cast<char*>(
        VirtualAlloc(nullptr, (dataPages + 1) * pageSize_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (base_ == nullptr) {
        throw std::bad_alloc();
    }
    guard_ = base_ + dataPages * pageSize_;
    CloseGuard();
    nextLive_ = g_firstLive;
    g_firstLive = this;
    if (g_faultHandler == nullptr) {
        g_faultHandler = AddVectoredExceptionHandler(1, OnFault);
    }
}

GuardedPage::~GuardedPage() {
    for (GuardedPage** link = &g_firstLive; *link != nullptr; link = &(*link)->nextLive_) {
        if (*link == this) {
            *link = nextLive_;
            break;
        }
    }
    if (g_firstLive == nullptr && g_faultHandler != nullptr) {
        RemoveVectoredExceptionHandler(g_faultHandler);
        g_faultHandler = nullptr;
    }
    VirtualFree(base_, 0, MEM_RELEASE);
}

char* GuardedPage::Place(const void* bytes, size_t size) {
    if (size > capacity_) {
        throw std::length_error("more bytes than the guarded page was made for");
    }
    if (touched_) {
        CloseGuard();
    }
    char* start = guard_ - size;
    memcpy(start, bytes, size);
    return start;
}

void GuardedPage::CloseGuard() {
    // A touch may have been a write; the next over-read must find zeros again once let through.
    if (touched_) {
        memset(guard_, 0, pageSize_);
    }
    DWORD previous = 0;
    if (!VirtualProtect(guard_, pageSize_, PAGE_NOACCESS, &previous)) {
        throw std::runtime_error("the guard page cannot be closed");
    }
    touched_ = false;
}

LONG WINAPI GuardedPage::OnFault(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->ExceptionCode != EXCEPTION_ACCESS_VIOLATION || record->NumberParameters < 2) {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    const uintptr_t address = static_cast<uintptr_t>(record->ExceptionInformation[1]);
    for (GuardedPage* page = g_firstLive; page != nullptr; page = page->nextLive_) {
        // Unsigned, so an address below the guard wraps to a large offset and does not match.
        if (address - reinterpret_cast<uintptr_t>(page->guard_) >= page->pageSize_) {
            continue;
        }
        DWORD previous = 0;
        if (!VirtualProtect(page->guard_, page->pageSize_, PAGE_READWRITE, &previous)) {
            return EXCEPTION_CONTINUE_SEARCH;
        }
        page->touched_ = true;
        // The faulting access is made again and now succeeds.
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

GuardedBuffer::GuardedBuffer(size_t size) : size_(size), bytes_(kGuardSize + size + kGuardSize) {
    Reset();
}

void GuardedBuffer::Reset() {
    memset(bytes_.data(), kGuardByte, kGuardSize);
    memset(bytes_.data() + kGuardSize, kFillByte, size_);
    memset(bytes_.data() + kGuardSize + size_, kGuardByte, kGuardSize);
}

bool GuardedBuffer::GuardsIntact() const {
    for (size_t i = 0; i < kGuardSize; ++i) {
        if (bytes_[i] != kGuardByte || bytes_[kGuardSize + size_ + i] != kGuardByte) {
            return false;
        }
    }
    return true;
}

bool GuardedBuffer::Untouched() const {
    for (size_t i = 0; i < size_; ++i) {
        if (bytes_[kGuardSize + i] != kFillByte) {
            return false;
        }
    }
    return true;
}

bool GuardedBuffer::Terminated() const {
    return memchr(Data(), '\0', size_) != nullptr;
}
