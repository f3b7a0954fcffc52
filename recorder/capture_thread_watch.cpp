#include "recorder/capture_thread_watch.h"

#include <tlhelp32.h>

#include <algorithm>

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

std::vector<DWORD> ThreadsOfThisProcess() {
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return ids;
    }
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    const DWORD self = GetCurrentProcessId();
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == self) {
            ids.push_back(entry.th32ThreadID);
        }
    }
    CloseHandle(snapshot);
    return ids;
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
    existingIds_ = ThreadsOfThisProcess();
}

void CaptureThreadWatch::FindDriverThreads() {
    HMODULE driver = GetModuleHandleA(kDriverModule);
    QueryThreadFunction queryThread = LoadQueryThread();
    if (driver == nullptr || queryThread == nullptr) {
        return;
    }
    for (DWORD id : ThreadsOfThisProcess()) {
        if (std::find(existingIds_.begin(), existingIds_.end(), id) != existingIds_.end()) {
            continue;
        }
        HANDLE thread = OpenThread(SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, id);
        if (thread == nullptr) {
            continue;  // it has already ended
        }
        if (StartsInModule(thread, driver, queryThread)) {
            threads_.push_back(thread);
        } else {
            CloseHandle(thread);
        }
    }
}

bool CaptureThreadWatch::WaitForDriverThreads(DWORD timeoutMs) {
    bool allEnded = true;
    const DWORD start = GetTickCount();
    for (HANDLE thread : threads_) {
        const DWORD spent = GetTickCount() - start;
        const DWORD left = spent < timeoutMs ? timeoutMs - spent : 0;
        allEnded = WaitForSingleObject(thread, left) == WAIT_OBJECT_0 && allEnded;
    }
    Forget();
    return allEnded;
}

void CaptureThreadWatch::Forget() {
    for (HANDLE thread : threads_) {
        CloseHandle(thread);
    }
    threads_.clear();
    existingIds_.clear();
}
