#include "recorder/device_command.h"

#include "recorder/system_library.h"

namespace {

using SendCommandFunction = MCIERROR(WINAPI*)(MCIDEVICEID, UINT, DWORD_PTR, DWORD_PTR);

// Loaded at the first command and kept for the rest of the run; only the window's thread sends
// commands.
SendCommandFunction LoadSendCommand() {
    static const SendCommandFunction function =
        SystemFunction<SendCommandFunction>("winmm.dll", "mciSendCommandA");
    return function;
}

}  // namespace

MCIERROR WINAPI SendDeviceCommand(MCIDEVICEID device, UINT command, DWORD_PTR flags, DWORD_PTR params) {
    SendCommandFunction send = LoadSendCommand();
    return send ? send(device, command, flags, params) : MCIERR_DEVICE_NOT_INSTALLED;
}
