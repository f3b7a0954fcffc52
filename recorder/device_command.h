#pragma once

#include <windows.h>
#include <mmsystem.h>

// mciSendCommandA, reached through the library loaded at the first command rather than imported:
// the multimedia library brings the audio compression manager and the OLE libraries with it, and
// none of them is needed until the first take. When the library or the function cannot be found,
// every command fails with MCIERR_DEVICE_NOT_INSTALLED, and is reported like any failed command.
MCIERROR WINAPI SendDeviceCommand(MCIDEVICEID device, UINT command, DWORD_PTR flags, DWORD_PTR params);
