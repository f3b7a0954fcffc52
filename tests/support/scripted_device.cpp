#include "tests/support/scripted_device.h"

#include <algorithm>
#include <cstdint>

#include "recorder/handle_guard.h"
#include "tests/support/wav_builder.h"

Script g_script;

namespace {

// Every file a save has written, across scripts.
std::vector<std::string> g_savedFiles;

// The take as the device writes it: RIFF, its format, and the samples of the recorded length in
// whole frames, an odd count padded to an even size.
void WriteSavedTake(const std::string& path, const MCI_WAVE_SET_PARMS& wave, bool first) {
    const WORD block = std::max<WORD>(wave.nBlockAlign, 1);
    const DWORD_PTR shortMs = first ? std::min<DWORD_PTR>(g_script.saveShortMs, g_script.positionMs) : 0;
    uint32_t dataSize = static_cast<uint32_t>((g_script.positionMs - shortMs) * wave.nAvgBytesPerSec / 1000);
    dataSize -= dataSize % block;
    const WavFormat format = {WAVE_FORMAT_PCM,      wave.nChannels,   wave.nSamplesPerSec,
                              wave.nAvgBytesPerSec, wave.nBlockAlign, wave.wBitsPerSample};
    Bytes bytes = Riff({FormatChunk(format), Chunk("data", Bytes(dataSize))});
    bytes.resize(std::min(bytes.size(), first ? g_script.saveCutTo : SIZE_MAX));
    HandleGuard file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    if (file.IsOpen()) {
        WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
}

// A save that succeeds; only a device's first save is cut short or comes out short, as when the
// target's volume fills. Wine's renames its recording file to the target (gone from where it was,
// unless the copy to another volume came out short), and a later save moves the file saved last.
void Save(Script::OpenDevice& device, const std::string& target) {
    const bool wine = g_script.profile == DeviceProfile::kWine;
    const bool first = device.savedLast.empty();
    if (wine && !first) {
        DeleteFileA(target.c_str());
        MoveFileA(device.savedLast.c_str(), target.c_str());
    } else {
        WriteSavedTake(target, device.wave, first);
        // A save that does not come out whole is a copy to another volume, which leaves the file.
        if (wine && !g_script.recordingFile.empty() && g_script.saveCutTo == SIZE_MAX &&
            g_script.saveShortMs == 0) {
            DeleteFileA(g_script.recordingFile.c_str());
        }
    }
    device.savedLast = target;
    g_savedFiles.push_back(target);
    g_script.tick += g_script.saveMs;
}

// The device's own format, until a set succeeds.
MCI_WAVE_SET_PARMS DefaultWave() {
    MCI_WAVE_SET_PARMS wave = {};
    wave.wFormatTag = WAVE_FORMAT_PCM;
    wave.nChannels = 1;
    wave.nSamplesPerSec = 11025;
    wave.nAvgBytesPerSec = 11025;
    wave.nBlockAlign = 1;
    wave.wBitsPerSample = 8;
    return wave;
}

// The open device an identifier names, or, for one that names none, where the commands after a
// failed open go.
Script::OpenDevice& DeviceNamed(MCIDEVICEID id) {
    const auto opened = g_script.openDevices.find(id);
    return opened != g_script.openDevices.end() ? opened->second : g_script.unopened;
}

// Opens a device under its alias, or refuses it while that alias is in use; a new element's name
// is its alias where the open names none.
MCIERROR Open(DWORD_PTR flags, MCI_OPEN_PARMSA& open) {
    const bool named = (flags & MCI_OPEN_ALIAS) != 0;
    const char* alias = named ? open.lpstrAlias : open.lpstrElementName;
    const std::string aliasText = alias ? alias : "";
    for (const auto& [id, device] : g_script.openDevices) {
        if (device.alias == aliasText) {
            return named ? MCIERR_DUPLICATE_ALIAS : MCIERR_DEVICE_OPEN;
        }
    }
    MCIDEVICEID id = g_script.idOnOpen;
    if (g_script.profile == DeviceProfile::kDocumented) {
        ++g_script.idOnOpen;
    }
    while (g_script.openDevices.count(id) != 0) {
        ++id;
    }
    g_script.openDevices[id] = {aliasText, DefaultWave(), ""};
    open.wDeviceID = id;
    return 0;
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
    const bool wine = g_script.profile == DeviceProfile::kWine;
    if (command == MCI_STATUS) {
        auto* status = reinterpret_cast<MCI_STATUS_PARMS*>(params);
        if (status && status->dwItem == MCI_STATUS_MODE) {
            status->dwReturn = g_script.tick < g_script.readyAtTick ? MCI_MODE_NOT_READY : g_script.mode;
        }
        if (status) {
            const MCI_WAVE_SET_PARMS& wave = DeviceNamed(device).wave;
            const std::map<DWORD_PTR, DWORD_PTR> format = {
                {MCI_WAVE_STATUS_CHANNELS, wave.nChannels},
                {MCI_WAVE_STATUS_SAMPLESPERSEC, wave.nSamplesPerSec},
                {MCI_WAVE_STATUS_AVGBYTESPERSEC, wave.nAvgBytesPerSec},
                {MCI_WAVE_STATUS_BLOCKALIGN, wave.nBlockAlign},
                {MCI_WAVE_STATUS_BITSPERSAMPLE, wave.wBitsPerSample}};
            const auto item = format.find(status->dwItem);
            status->dwReturn = item != format.end() ? item->second : status->dwReturn;
        }
        if (status && status->dwItem == MCI_STATUS_POSITION) {
            g_script.tick += g_script.msPerLengthQuestion;
            g_script.positionMs += g_script.inputAlive && g_script.tick >= g_script.lateUntilTick ? 1 : 0;
            const bool stopped = !g_script.sent.empty() && g_script.sent.back().command != MCI_RECORD;
            status->dwReturn = g_script.lengthOnlyAfterStop && !stopped ? 0 : g_script.positionMs;
            result = g_script.lengthFails ? MCIERR_UNSUPPORTED_FUNCTION : result;
        }
        return result;
    }
    if (command == MCI_INFO) {
        auto* info = reinterpret_cast<MCI_INFO_PARMSA*>(params);
        const std::string savedLast = DeviceNamed(device).savedLast;
        // Only what the flags ask for: the recording file, or the product's name (MCI_INFO reference:
        // MCI_INFO_PRODUCT names the device's product; Wine's mciwave answers "Wine's audio player"
        // to it, and refuses a question it does not know).
        const DWORD_PTR asked = flags & ~DWORD_PTR{MCI_WAIT | MCI_NOTIFY};
        const bool product = asked == MCI_INFO_PRODUCT;
        const std::string named = product ? "Wine's audio player" : wine ? g_script.recordingFile : savedLast;
        if (!product && asked != MCI_INFO_FILE && result == 0) {
            result = MCIERR_UNRECOGNIZED_COMMAND;
        }
        if (!wine && !product && named.empty() && result == 0) {
            result = MCIERR_NONAPPLICABLE_FUNCTION;
        }
        if (result == 0 && info && info->lpstrReturn && info->dwRetSize > 0) {
            lstrcpynA(info->lpstrReturn, named.c_str(), static_cast<int>(info->dwRetSize));
        }
        return result;
    }
    if (wine && !g_script.inputAlive && g_script.mode == MCI_MODE_RECORD &&
        (command == MCI_STOP || command == MCI_SAVE || command == MCI_CLOSE)) {
        ++g_script.hungCommands;
    }
    SentCommand entry = {};
    entry.device = device;
    entry.command = command;
    entry.flags = flags;
    entry.hasParams = params != 0;
    entry.tick = g_script.tick;
    if (command == MCI_OPEN && params != 0) {
        auto* open = reinterpret_cast<MCI_OPEN_PARMSA*>(params);
        entry.open = *open;
        result = result == 0 ? Open(flags, *open) : result;
    }
    Script::OpenDevice& target = DeviceNamed(device);
    g_script.readyAtTick =
        command == MCI_RECORD ? g_script.tick + g_script.notReadyForMs : g_script.readyAtTick;
    g_script.positionMs +=
        command == MCI_STOP && result == 0 && g_script.inputAlive ? g_script.stopGrowsMs : 0;
    if (command == MCI_SAVE && params != 0) {
        entry.fileName = reinterpret_cast<MCI_SAVE_PARMSA*>(params)->lpfilename;
        if (result == 0) {
            Save(target, entry.fileName);
        }
    }
    if (command == MCI_SET && params != 0) {
        entry.wave = *reinterpret_cast<MCI_WAVE_SET_PARMS*>(params);
        if (result == 0) {
            target.wave = entry.wave;
            g_script.wave = entry.wave;
        }
    }
    if (command == MCI_CLOSE && result == 0) {
        g_script.openDevices.erase(device);
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

VOID WINAPI ScriptedPause(DWORD ms) {
    g_script.tick += ms;
}

void RecordMessage(const char* message) {
    g_script.messages.push_back(message);
    if (g_script.onMessage) {
        g_script.onMessage(message);
    }
}
