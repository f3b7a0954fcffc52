#include "recorder/device_quirks.h"

#include <windows.h>

DeviceQuirks QuirksOfThisPlatform() {
    // Wine's own ntdll tells its version; Windows' has no such export.
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const bool wine = ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    DeviceQuirks quirks;
    quirks.captureOutlivesStop = wine;
    quirks.hangsWithoutInput = wine;
    return quirks;
}
