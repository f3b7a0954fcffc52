#include "tests/app/scripted_device.h"

#include "app/globals.h"

Script g_script;

namespace {
constexpr MCIDEVICEID kScriptedDeviceId = 7;
}

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

MCIERROR WINAPI ScriptedSend(MCIDEVICEID, UINT command, DWORD_PTR flags, DWORD_PTR params) {
    SentCommand entry = {};
    entry.command = command;
    entry.flags = flags;
    if (command == MCI_SAVE && params != 0) {
        entry.fileName = reinterpret_cast<MCI_SAVE_PARMSA*>(params)->lpfilename;
    }
    if (command == MCI_SET && params != 0) {
        entry.wave = *reinterpret_cast<MCI_WAVE_SET_PARMS*>(params);
    }
    auto scripted = g_script.results.find(command);
    MCIERROR result = scripted == g_script.results.end() ? 0 : scripted->second;
    if (command == MCI_OPEN && params != 0 && result == 0) {
        reinterpret_cast<MCI_OPEN_PARMSA*>(params)->wDeviceID = kScriptedDeviceId;
    }
    g_script.sent.push_back(entry);
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

void UseScriptedRecorder() {
    g_script = Script();
    g_recorder->sendCommand = ScriptedSend;
    g_recorder->readTick = ScriptedTick;
    g_recorder->onError = RecordMessage;
}
