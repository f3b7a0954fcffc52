#include "tests/stress/process_resources.h"

#include <winternl.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "recorder/handle_guard.h"

namespace {

// NtQuerySystemInformation's class for the list of every open handle with its owner's process
// id and full-width fields, and the layout it fills in. The class lies beyond the ones the
// headers name, so the function is called through a declaration that takes a plain number.
constexpr ULONG kSystemExtendedHandleInformation = 64;
using QuerySystemInformation = NTSTATUS(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
const NTSTATUS kStatusInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);
// The handle list of a busy system runs to a few megabytes; a larger answer means something else.
constexpr size_t kMaxHandleListBytes = size_t{256} << 20;

struct SystemHandleEntry {
    PVOID object;
    ULONG_PTR uniqueProcessId;
    ULONG_PTR handleValue;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG handleAttributes;
    ULONG reserved;
};

// The list begins with the number of entries and a reserved word; the entries follow.
struct SystemHandleListHead {
    ULONG_PTR numberOfHandles;
    ULONG_PTR reserved;
};

// The process environment block up to its GdiSharedHandleTable field, with the field names of
// the system's published symbols; pointer-sized fields keep it right for both widths.
struct PebHead {
    BOOLEAN inheritedAddressSpace;
    BOOLEAN readImageFileExecOptions;
    BOOLEAN beingDebugged;
    BOOLEAN bitField;
    PVOID mutant;
    PVOID imageBaseAddress;
    PVOID ldr;
    PVOID processParameters;
    PVOID subSystemData;
    PVOID processHeap;
    PVOID fastPebLock;
    PVOID atlThunkSListPtr;
    PVOID ifeoKey;
    ULONG crossProcessFlags;
    PVOID kernelCallbackTable;
    ULONG systemReserved;
    ULONG atlThunkSListPtr32;
    PVOID apiSetMap;
    ULONG tlsExpansionCounter;
    PVOID tlsBitmap;
    ULONG tlsBitmapBits[2];
    PVOID readOnlySharedMemoryBase;
    PVOID sharedData;
    PVOID readOnlyStaticServerData;
    PVOID ansiCodePageData;
    PVOID oemCodePageData;
    PVOID unicodeCaseTableData;
    ULONG numberOfProcessors;
    ULONG ntGlobalFlag;
    LARGE_INTEGER criticalSectionTimeout;
    SIZE_T heapSegmentReserve;
    SIZE_T heapSegmentCommit;
    SIZE_T heapDeCommitTotalFreeThreshold;
    SIZE_T heapDeCommitFreeBlockThreshold;
    ULONG numberOfHeaps;
    ULONG maximumNumberOfHeaps;
    PVOID processHeaps;
    PVOID gdiSharedHandleTable;
};

// One entry of the GDI handle table: the same size for both widths. An entry in use has a
// non-zero type.
struct GdiHandleEntry {
    uint64_t object;
    ULONG owner;
    USHORT unique;
    UCHAR type;
    UCHAR extType;
    uint64_t userPointer;
};
constexpr size_t kGdiHandleTableEntries = 0x10000;

const char kFromHandleCount[] = "GetProcessHandleCount";
const char kFromHandleList[] = "system handle list";
const char kFromGdiResources[] = "GetGuiResources(GR_GDIOBJECTS)";
const char kFromGdiTable[] = "GDI handle table";
const char kFromUserResources[] = "GetGuiResources(GR_USEROBJECTS)";
const char kFromWindows[] = "windows of the process";

// The process opened for reading its counts and memory; closed when the count is taken.
HandleGuard OpenForReading(DWORD processId) {
    return HandleGuard(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
}

long CountFromHandleList(DWORD processId) {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    FARPROC found = ntdll ? GetProcAddress(ntdll, "NtQuerySystemInformation") : nullptr;
    if (!found) {
        return -1;
    }
    const auto query = reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void (*)()>(found));
    // Grown until the whole list fits. Entries are copied out one at a time, so nothing depends
    // on how the buffer is aligned, and only whole entries inside it are read.
    std::vector<uint8_t> buffer(size_t{1} << 19);
    for (;;) {
        ULONG needed = 0;
        const NTSTATUS status = query(kSystemExtendedHandleInformation, buffer.data(),
                                      static_cast<ULONG>(buffer.size()), &needed);
        if (status == kStatusInfoLengthMismatch && buffer.size() < kMaxHandleListBytes) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (status < 0) {
            return -1;
        }
        SystemHandleListHead head;
        memcpy(&head, buffer.data(), sizeof(head));
        const size_t room = (buffer.size() - sizeof(head)) / sizeof(SystemHandleEntry);
        const size_t entries = head.numberOfHandles < room ? head.numberOfHandles : room;
        long count = 0;
        for (size_t i = 0; i < entries; ++i) {
            SystemHandleEntry entry;
            memcpy(&entry, buffer.data() + sizeof(head) + i * sizeof(entry), sizeof(entry));
            if (entry.uniqueProcessId == processId) {
                ++count;
            }
        }
        return count;
    }
}

long CountFromGdiTable(HANDLE process) {
    PROCESS_BASIC_INFORMATION basic = {};
    ULONG written = 0;
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof(basic), &written) < 0 ||
        !basic.PebBaseAddress) {
        return -1;
    }
    PebHead peb = {};
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof(peb), &read) || read != sizeof(peb) ||
        !peb.gdiSharedHandleTable) {
        return -1;
    }
    std::vector<GdiHandleEntry> table(kGdiHandleTableEntries);
    const SIZE_T tableBytes = table.size() * sizeof(GdiHandleEntry);
    if (!ReadProcessMemory(process, peb.gdiSharedHandleTable, table.data(), tableBytes, &read) ||
        read != tableBytes) {
        return -1;
    }
    long count = 0;
    for (const GdiHandleEntry& entry : table) {
        if (entry.type != 0) {
            ++count;
        }
    }
    return count;
}

struct WindowCount {
    DWORD processId;
    long count;
};

BOOL CALLBACK CountDescendant(HWND, LPARAM context) {
    ++reinterpret_cast<WindowCount*>(context)->count;
    return TRUE;
}

BOOL CALLBACK CountOwnTopLevelWindow(HWND window, LPARAM context) {
    auto* windows = reinterpret_cast<WindowCount*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == windows->processId) {
        ++windows->count;
        EnumChildWindows(window, CountDescendant, context);
    }
    return TRUE;
}

long CountWindows(DWORD processId) {
    WindowCount windows{processId, 0};
    EnumWindows(CountOwnTopLevelWindow, reinterpret_cast<LPARAM>(&windows));
    return windows.count;
}

void Append(std::string& text, const char* what, const ResourceFigure& figure) {
    char part[128];
    snprintf(part, sizeof(part), "%s%s %ld (%s)", text.empty() ? "" : ", ", what, figure.count,
             figure.source);
    text += part;
}

}  // namespace

ResourceFigure CountHandles(DWORD processId) {
    const HandleGuard process = OpenForReading(processId);
    DWORD reported = 0;
    if (process.Get() && GetProcessHandleCount(process.Get(), &reported) && reported > 0) {
        return {static_cast<long>(reported), kFromHandleCount};
    }
    return {CountFromHandleList(processId), kFromHandleList};
}

ResourceFigure CountGdiObjects(DWORD processId) {
    const HandleGuard process = OpenForReading(processId);
    if (!process.Get()) {
        return {};
    }
    const DWORD reported = GetGuiResources(process.Get(), GR_GDIOBJECTS);
    if (reported > 0) {
        return {static_cast<long>(reported), kFromGdiResources};
    }
    return {CountFromGdiTable(process.Get()), kFromGdiTable};
}

ResourceFigure CountUserObjects(DWORD processId) {
    const HandleGuard process = OpenForReading(processId);
    const DWORD reported = process.Get() ? GetGuiResources(process.Get(), GR_USEROBJECTS) : 0;
    if (reported > 0) {
        return {static_cast<long>(reported), kFromUserResources};
    }
    return {CountWindows(processId), kFromWindows};
}

ProcessResources MeasureProcessResources(DWORD processId) {
    return {CountHandles(processId), CountGdiObjects(processId), CountUserObjects(processId)};
}

std::string Describe(const ProcessResources& resources) {
    std::string text;
    Append(text, "handles", resources.handles);
    Append(text, "GDI objects", resources.gdiObjects);
    Append(text, "USER objects", resources.userObjects);
    return text;
}
