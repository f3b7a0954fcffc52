#include "tests/support/scripted_device.h"

#include <algorithm>
#include <cstdint>

Script g_script;

namespace {

void WriteSavedTake(const std::string& path) {
    const uint32_t dataSize = static_cast<uint32_t>(g_script.positionMs * g_script.avgBytesPerSec / 1000);
    const uint32_t riffSize = 36 + dataSize;
    const uint32_t formatSize = 16;
    const uint8_t format[16] = {1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0};
    std::vector<char> bytes;
    auto put = [&](const void* data, size_t size) {
        bytes.insert(bytes.end(), static_cast<const char*>(data), static_cast<const char*>(data) + size);
    };
    put("RIFF", 4);
    put(&riffSize, 4);
    put("WAVEfmt ", 8);
    put(&formatSize, 4);
    put(format, sizeof(format));
    put("data", 4);
    put(&dataSize, 4);
    bytes.resize(std::min(bytes.size() + dataSize, g_script.saveCutTo));
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
    }
}

}  // namespace

std::vector<UINT> Script::Commands() const {
    std::vector<UINT> commands;
    for (const SentCommand& entry : sent) {
        commands.push_back(entry.command);
    }
    return commands;
}

size_t Script::Count(UINT command) const {
    return Sent(command).size();
}

std::vector<SentCommand> Script::Sent(UINT command) const {
    std::vector<SentCommand> entries;
    for (const SentCommand& entry : sent) {
        if (entry.command == command) {
            entries.push_back(entry);
        }
    }
    return entries;
}

MCIERROR WINAPI ScriptedSend(MCIDEVICEID device, UINT command, DWORD_PTR flags, DWORD_PTR params) {
    auto scripted = g_script.results.find(command);
    const MCIERROR result = scripted == g_script.results.end() ? 0 : scripted->second;
    if (command == MCI_STATUS) {
        auto* status = reinterpret_cast<MCI_STATUS_PARMS*>(params);
        if (status && status->dwItem == MCI_STATUS_MODE) {
            status->dwReturn = g_script.mode;
        }
        if (status && status->dwItem == MCI_STATUS_POSITION) {
            g_script.positionMs += g_script.inputAlive ? 1 : 0;
            status->dwReturn = g_script.positionMs;
        }
        return result;
    }
    if (command == MCI_INFO) {
        auto* info = reinterpret_cast<MCI_INFO_PARMSA*>(params);
        if (result == 0 && info && info->lpstrReturn && info->dwRetSize > 0) {
            lstrcpynA(info->lpstrReturn, g_script.recordingFile.c_str(), static_cast<int>(info->dwRetSize));
        }
        return result;
    }
    SentCommand entry = {};
    entry.device = device;
    entry.command = command;
    entry.flags = flags;
    entry.hasParams = params != 0;
    if (command == MCI_SAVE && params != 0) {
        entry.fileName = reinterpret_cast<MCI_SAVE_PARMSA*>(params)->lpfilename;
        if (result == 0) {
            WriteSavedTake(entry.fileName);
        }
    }
    if (command == MCI_SET && params != 0) {
        entry.wave = *reinterpret_cast<MCI_WAVE_SET_PARMS*>(params);
        g_script.avgBytesPerSec = entry.wave.nAvgBytesPerSec;
    }
    if (command == MCI_OPEN && params != 0) {
        auto* open = reinterpret_cast<MCI_OPEN_PARMSA*>(params);
        entry.open = *open;
        if (result == 0) {
            open->wDeviceID = g_script.idOnOpen;
        }
    }
    g_script.sent.push_back(entry);
    if (g_script.onCommand) {
        g_script.onCommand(command);
    }
    return result;
}

DWORD WINAPI ScriptedTick() {
    return g_script.tick;
}

void RecordMessage(const char* message) {
    g_script.messages.push_back(message);
    if (g_script.onMessage) {
        g_script.onMessage(message);
    }
}
