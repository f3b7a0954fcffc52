#pragma once

#include <windows.h>

#include <string>

// How many handles, GDI objects and USER objects another process holds, for a test that looks
// for a leak across many takes.
//
// The usual counters are not everywhere: under Wine, GetProcessHandleCount reports 0 and
// GetGuiResources is a stub that always returns 0, so a comparison of those alone could never
// fail. Each figure therefore falls back to a count made from the process's own records when
// the usual counter gives nothing, and says which one it came from.
struct ResourceFigure {
    long count = -1;  // -1: no source could count it
    const char* source = "none";
};

struct ProcessResources {
    ResourceFigure handles;
    ResourceFigure gdiObjects;
    ResourceFigure userObjects;
};

// Handles: GetProcessHandleCount, else the process's entries in the system's handle list.
ResourceFigure CountHandles(DWORD processId);
// GDI objects: GetGuiResources(GR_GDIOBJECTS), else the live entries of the process's GDI handle
// table, which its process environment block locates.
ResourceFigure CountGdiObjects(DWORD processId);
// USER objects: GetGuiResources(GR_USEROBJECTS), else the process's windows (top-level ones and
// all their descendants).
ResourceFigure CountUserObjects(DWORD processId);

ProcessResources MeasureProcessResources(DWORD processId);

// "handles 52 (system handle list), GDI objects 37 (GDI handle table), ..." for a test's output.
std::string Describe(const ProcessResources& resources);
