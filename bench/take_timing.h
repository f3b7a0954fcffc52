#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/e2e/main_window_driver.h"

// One take through the recorder's window, with the moments the benchmark needs: how long it ran
// between the clicks, what count the status showed when stop was clicked, and how long it took
// from the stop click until the status read "停止" with the file complete on disk.
struct TakeTiming {
    bool ok = false;
    int shownSeconds = -1;
    double wallMs = 0;
    double stopToSavedMs = 0;
    std::string error;
};

// Records into path for the given seconds (from the start click). Writes "recording" to progress
// once the status shows the take and "stopping" just before the stop click, each on a line of
// its own and flushed, so that a caller outside can sample the process around those moments.
TakeTiming TimeTake(const e2e::MainWindow& window, const std::string& path, double seconds, FILE* progress);

// True when the file exists and its RIFF header accounts for exactly the bytes on disk.
bool IsCompleteWav(const std::string& path);
