#include "tests/support/scripted_device.h"

#include <algorithm>
#include <cstdint>

Script g_script;

namespace {

// Every file a save has written, across scripts.
std::vector<std::string> g_savedFiles;

// The take as the device writes it: RIFF, the format set, and the samples of the recorded length
// in whole frames, an odd count padded to an even size.
void WriteSavedTake(const std::string& path, bool first) {
    const WORD block = std::max<WORD>(g_script.wave.nBlockAlign, 1);
    const DWORD_PTR shortMs = first ? std::min<DWORD_PTR>(g_script.saveShortMs, g_script.positionMs) : 0;
    const DWORD_PTR ms = g_script.positionMs - shortMs;
    uint32_t dataSize = static_cast<uint32_t>(ms * g_script.wave.nAvgBytesPerSec / 1000);
    dataSize -= dataSize % block;
    const uint32_t riffSize = 36 + dataSize + (dataSize & 1);
    const uint32_t formatSize = 16;
    PCMWAVEFORMAT format = {};
    format.wf.wFormatTag = WAVE_FORMAT_PCM;
    format.wf.nChannels = g_script.wave.nChannels;
    format.wf.nSamplesPerSec = g_script.wave.nSamplesPerSec;
    format.wf.nAvgBytesPerSec = g_script.wave.nAvgBytesPerSec;
    format.wf.nBlockAlign = g_script.wave.nBlockAlign;
    format.wBitsPerSample = g_script.wave.wBitsPerSample;
    std::vector<char> bytes;
    auto put = [&](const void* data, size_t size) {
        bytes.insert(bytes.end(), static_cast<const char*>(data), static_cast<const char*>(data) + size);
    };
    put("RIFF", 4);
    put(&riffSize, 4);
    put("WAVEfmt ", 8);
    put(&formatSize, 4);
    put(&format, sizeof(format));
    put("data", 4);
    put(&dataSize, 4);
    bytes.resize(std::min(bytes.size() + dataSize + (dataSize & 1), first ? g_script.saveCutTo : SIZE_MAX));
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
    }
}

// A save that succeeds; only a device's first save is cut short or comes out short, as when the
// target's volume fills. Wine's renames its recording file to the target (gone from where it was,
// unless the copy to another volume came out short), and a later save moves the file saved last.
void Save(const std::string& target) {
    const bool wine = g_script.profile == DeviceProfile::kWine;
    const bool first = g_script.savedLast.empty();
    if (wine && !first) {
        DeleteFileA(target.c_str());
        MoveFileA(g_script.savedLast.c_str(), target.c_str());
    } else {
        WriteSavedTake(target, first);
        // A save that does not come out whole is a copy to another volume, which leaves the file.
        if (wine && !g_script.recordingFile.empty() && g_script.saveCutTo == SIZE_MAX &&
            g_script.saveShortMs == 0) {
            DeleteFileA(g_script.recordingFile.c_str());
        }
    }
    g_script.savedLast = target;
    g_savedFiles.push_back(target);
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
    MCIERROR result = scripted == g_script.results.end() ? 0 : scripted->second;
    if (command == MCI_STATUS) {
        auto* status = reinterpret_cast<MCI_STATUS_PARMS*>(params);
        if (status && status->dwItem == MCI_STATUS_MODE) {
            status->dwReturn = g_script.mode;
        }
        if (status && status->dwItem == MCI_STATUS_POSITION) {
            g_script.tick += g_script.msPerLengthQuestion;
            g_script.positionMs += g_script.inputAlive && g_script.tick >= g_script.lateUntilTick ? 1 : 0;
            const bool stopped = !g_script.sent.empty() && g_script.sent.back().command != MCI_RECORD;
            status->dwReturn = g_script.lengthOnlyAfterStop && !stopped ? 0 : g_script.positionMs;
        }
        return result;
    }
    if (command == MCI_INFO) {
        auto* info = reinterpret_cast<MCI_INFO_PARMSA*>(params);
        const bool wine = g_script.profile == DeviceProfile::kWine;
        const std::string& named = wine ? g_script.recordingFile : g_script.savedLast;
        if (!wine && named.empty() && result == 0) {
            result = MCIERR_NONAPPLICABLE_FUNCTION;
        }
        if (result == 0 && info && info->lpstrReturn && info->dwRetSize > 0) {
            lstrcpynA(info->lpstrReturn, named.c_str(), static_cast<int>(info->dwRetSize));
        }
        return result;
    }
    if (g_script.profile == DeviceProfile::kWine && !g_script.inputAlive &&
        g_script.mode == MCI_MODE_RECORD &&
        (command == MCI_STOP || command == MCI_SAVE || command == MCI_CLOSE)) {
        ++g_script.hungCommands;
    }
    SentCommand entry = {};
    entry.device = device;
    entry.command = command;
    entry.flags = flags;
    entry.hasParams = params != 0;
    if (command == MCI_SAVE && params != 0) {
        entry.fileName = reinterpret_cast<MCI_SAVE_PARMSA*>(params)->lpfilename;
        if (result == 0) {
            Save(entry.fileName);
        }
    }
    if (command == MCI_SET && params != 0) {
        entry.wave = *reinterpret_cast<MCI_WAVE_SET_PARMS*>(params);
        g_script.wave = entry.wave;
    }
    if (command == MCI_OPEN && params != 0) {
        auto* open = reinterpret_cast<MCI_OPEN_PARMSA*>(params);
        entry.open = *open;
        if (result == 0) {
            open->wDeviceID = g_script.idOnOpen;
            g_script.savedLast.clear();
        }
    }
    g_script.sent.push_back(entry);
    if (g_script.onCommand) {
        g_script.onCommand(command);
    }
    return result;
}

void RemoveScriptedSavesOutside(const std::string& folder) {
    for (const std::string& file : g_savedFiles) {
        if (file.rfind(folder, 0) != 0) {
            DeleteFileA(file.c_str());
        }
    }
    g_savedFiles.clear();
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
