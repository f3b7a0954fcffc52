#include "recorder/capture_thread_watch.h"

#include <tlhelp32.h>

#include "recorder/handle_guard.h"

namespace {

// The platform's waveform-audio driver for the media control interface.
constexpr char kDriverModule[] = "mciwave.dll";

// NtQueryInformationThread's class for a thread's start routine. The function is looked up at
// run time: it is part of ntdll's interface, not of the import libraries.
constexpr ULONG kThreadStartAddressClass = 9;
using QueryThreadFunction = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);

QueryThreadFunction LoadQueryThread() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (ntdll == nullptr) {
        return nullptr;
    }
    FARPROC proc = GetProcAddress(ntdll, "NtQueryInformationThread");
    return reinterpret_cast<QueryThreadFunction>(reinterpret_cast<void (*)()>(proc));
}

// Calls visit(id) for each thread of this process, in the order of a snapshot of the system's
// threads, until visit returns false. Nothing is visited when no snapshot can be taken.
template <typename Visit>
void ForEachThreadOfThisProcess(Visit visit) {
    const HandleGuard snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot.IsOpen()) {
        return;
    }
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    const DWORD self = GetCurrentProcessId();
    for (BOOL more = Thread32First(snapshot.Get(), &entry); more;
         more = Thread32Next(snapshot.Get(), &entry)) {
        if (entry.th32OwnerProcessID == self && !visit(entry.th32ThreadID)) {
            break;
        }
    }
}

bool StartsInModule(HANDLE thread, HMODULE module, QueryThreadFunction queryThread) {
    void* start = nullptr;
    if (queryThread(thread, kThreadStartAddressClass, &start, sizeof(start), nullptr) != 0) {
        return false;
    }
    HMODULE owner = nullptr;
    const DWORD flags = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    return GetModuleHandleExA(flags, static_cast<LPCSTR>(start), &owner) && owner == module;
}

}  // namespace

CaptureThreadWatch::~CaptureThreadWatch() {
    Forget();
}

void CaptureThreadWatch::NoteExistingThreads() {
    Forget();
    ForEachThreadOfThisProcess([this](DWORD id) {
        notedIds_[notedCount_++] = id;
        return notedCount_ < kMaxNotedThreads;
    });
}

bool CaptureThreadWatch::WasNoted(DWORD id) const {
    for (size_t i = 0; i < notedCount_; ++i) {
        if (notedIds_[i] == id) {
            return true;
        }
    }
    return false;
}

void CaptureThreadWatch::FindDriverThreads() {
    HMODULE driver = GetModuleHandleA(kDriverModule);
    QueryThreadFunction queryThread = LoadQueryThread();
    if (driver == nullptr || queryThread == nullptr) {
        return;
    }
    ForEachThreadOfThisProcess([&](DWORD id) {
        if (WasNoted(id)) {
            return true;
        }
        HandleGuard thread(OpenThread(SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, id));
        if (!thread.IsOpen()) {
            return true;  // it has already ended
        }
        if (StartsInModule(thread.Get(), driver, queryThread)) {
            threads_[threadCount_++] = thread.Release();
        }
        return threadCount_ < kMaxDriverThreads;
    });
}

bool CaptureThreadWatch::WaitForDriverThreads(DWORD timeoutMs) {
    bool allEnded = true;
    const DWORD start = GetTickCount();
    for (size_t i = 0; i < threadCount_; ++i) {
        const DWORD spent = GetTickCount() - start;
        const DWORD left = spent < timeoutMs ? timeoutMs - spent : 0;
        allEnded = WaitForSingleObject(threads_[i], left) == WAIT_OBJECT_0 && allEnded;
    }
    Forget();
    return allEnded;
}

void CaptureThreadWatch::Forget() {
    for (size_t i = 0; i < threadCount_; ++i) {
        CloseHandle(threads_[i]);
    }
    threadCount_ = 0;
    notedCount_ = 0;
}
