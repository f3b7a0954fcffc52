#include "tests/support/scripted_device.h"

Script g_script;

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
        g_script.statusItems.push_back(status ? status->dwItem : 0);
        if (status && status->dwItem == MCI_STATUS_MODE) {
            status->dwReturn = g_script.mode;
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
    }
    if (command == MCI_SET && params != 0) {
        entry.wave = *reinterpret_cast<MCI_WAVE_SET_PARMS*>(params);
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
