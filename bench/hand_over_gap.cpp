// Measures how much sound a long take loses between two of its files: records a take from the
// default input with the file limit lowered so that it hands over every two seconds, times each
// stop's return (the end of one file's capture) and the next record's return (the next capture has
// begun; before the stop where two devices record at once, a negative gap), and compares the
// take's length with what its files hold. Prints one line per hand-over, the process's handles and
// committed memory after each take (what the devices of its files leave behind), and the median;
// exits 1 when the take did not go as planned.
//
//   hand_over_gap.exe [takes]

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "recorder/device_command.h"
#include "recorder/take_file.h"
#include "recorder/wave_recorder.h"

namespace {

constexpr DWORD kFileMs = 2000;
constexpr DWORD kTakeMs = 11000;
constexpr uint32_t kCdBytesPerSecond = 176400;

LARGE_INTEGER g_frequency;
std::vector<double> g_stopReturned;
std::vector<double> g_recordReturned;

double NowMs() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(g_frequency.QuadPart);
}

MCIERROR WINAPI TimedSend(MCIDEVICEID device, UINT command, DWORD_PTR flags, DWORD_PTR params) {
    const MCIERROR result = SendDeviceCommand(device, command, flags, params);
    if (command == MCI_STOP) {
        g_stopReturned.push_back(NowMs());
    } else if (command == MCI_RECORD) {
        g_recordReturned.push_back(NowMs());
    }
    return result;
}

void NoBox(const char* message) {
    printf("told: %s\n", message);
}

// One take; the gaps of its hand-overs are added to gaps. False when it did not go as planned.
bool MeasureTake(const char* folder, int take, std::vector<double>& gaps) {
    g_stopReturned.clear();
    g_recordReturned.clear();
    WaveRecorder recorder;
    recorder.sendCommand = TimedSend;
    recorder.onError = NoBox;
    recorder.handOverBytes = kWaveHeaderSize + uint64_t{kCdBytesPerSecond} * kFileMs / 1000;
    char path[MAX_PATH + 32];
    snprintf(path, sizeof(path), "%sgap-%lu-%d.wav", folder, GetCurrentProcessId(), take);
    recorder.StartRecording(path);
    const double started = NowMs();
    while (NowMs() - started < kTakeMs) {
        Sleep(500);  // the window's tick
        recorder.WatchTake();
    }
    recorder.StopAndSave();
    const double takeMs = g_stopReturned.back() - g_recordReturned.front();
    const size_t files = g_stopReturned.size();
    if (files < 2 || g_recordReturned.size() != files) {
        printf("take %d: %zu files, not several\n", take, files);
        return false;
    }
    // The files' names: path, then base-0, base-1, ... as the recorder chose them.
    double heldMs = 0;
    for (size_t i = 0; i < files; ++i) {
        char name[MAX_PATH + 48];
        if (i == 0) {
            snprintf(name, sizeof(name), "%s", path);
        } else {
            snprintf(name, sizeof(name), "%.*s-%zu.wav", static_cast<int>(strlen(path) - 4), path, i - 1);
        }
        WaveLayout layout = {};
        if (!ReadWaveLayout(name, layout)) {
            printf("take %d: %s is no WAV\n", take, name);
            return false;
        }
        heldMs += 1000.0 * layout.dataSize / kCdBytesPerSecond;
        DeleteFileA(name);
    }
    for (size_t i = 0; i + 1 < files; ++i) {
        const double gap = g_recordReturned[i + 1] - g_stopReturned[i];
        gaps.push_back(gap);
        printf("take %d, hand-over %zu: %.0f ms from the stop's return to the next record's%s\n", take, i + 1,
               gap, gap < 0 ? " (the files overlap)" : "");
    }
    printf("take %d: %zu files, %.0f ms from the first record to the last stop, %.0f ms in the files\n", take,
           files, takeMs, heldMs);
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof(memory);
    K32GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
    // Wine answers 0 handles; the commit charge is what it counts of the process's memory.
    printf("take %d: afterwards %lu handles, %zu KiB committed\n", take, handles,
           memory.PagefileUsage / 1024);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QueryPerformanceFrequency(&g_frequency);
    const int takes = argc > 1 ? atoi(argv[1]) : 3;
    char folder[MAX_PATH + 1] = {};
    GetTempPathA(sizeof(folder), folder);
    std::vector<double> gaps;
    for (int take = 0; take < takes; ++take) {
        if (!MeasureTake(folder, take, gaps)) {
            return 1;
        }
    }
    std::sort(gaps.begin(), gaps.end());
    printf("gap between files: median %.0f ms, min %.0f, max %.0f over %zu hand-overs\n",
           gaps[gaps.size() / 2], gaps.front(), gaps.back(), gaps.size());
    return 0;
}
