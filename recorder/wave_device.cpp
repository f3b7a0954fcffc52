#include "recorder/wave_device.h"

#include "recorder/take_file.h"

namespace {

// An empty element name asks the device for a new, unnamed recording.
char g_newElement[] = "";

// A device opened without an alias takes its element's name as one, "" for every new recording,
// and an open is refused while its alias is in use: a second device could not open beside the
// first, and one whose close failed would block every later open. So each open names an alias of
// its own, counted in the process (only the window's thread opens devices).
uint32_t g_opens = 0;
constexpr char kAliasFormat[] = "mirebasco%lu";
constexpr size_t kUint32Digits = 10;

// How long a device may take after its record command to say that it records. Wine's answers at
// once, its capture started before the command returns (75 to 130 ms measured); a device still
// getting ready is given a second, three of Wine's capture buffers, and one that never gets there
// holds the window for no longer.
constexpr DWORD kSettleMs = 1000;
constexpr DWORD kSettlePollMs = 20;

constexpr DWORD kFormatFlags = MCI_WAVE_SET_FORMATTAG | MCI_WAVE_SET_CHANNELS | MCI_WAVE_SET_SAMPLESPERSEC |
                               MCI_WAVE_SET_AVGBYTESPERSEC | MCI_WAVE_SET_BLOCKALIGN |
                               MCI_WAVE_SET_BITSPERSAMPLE;

// The one device left with its dead input (identifier 0: none), and the path of its take. A stop,
// a save or a close sent to it would never return, and its identifier stays taken while it lives:
// no device object may send it a command, also not one whose open failed and whose commands
// therefore go to the identifier its own last open left. An identifier is the process's, so this
// is too.
struct {
    MCIDEVICEID id;
    char takePath[kPathBufferSize];
} g_left = {};

}  // namespace

WaveDevice::~WaveDevice() {
    Reclaim();
}

bool WaveDevice::Open(DeviceCommandFunction send, const DeviceQuirks& quirks) {
    send_ = send;
    quirks_ = quirks;
    recordingFile_[0] = '\0';
    openParams_.lpstrElementName = g_newElement;
    openParams_.lpstrDeviceType =
        reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(MCI_DEVTYPE_WAVEFORM_AUDIO));
    // The prefix, the most digits a count has, and the terminator fit.
    static_assert(sizeof(kAliasFormat) - sizeof("%lu") + kUint32Digits + 1 <= sizeof(alias_));
    wsprintfA(alias_, kAliasFormat, static_cast<unsigned long>(++g_opens));
    openParams_.lpstrAlias = alias_;
    const bool opened =
        Send(MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID | MCI_OPEN_ELEMENT | MCI_OPEN_ALIAS, &openParams_);
    // An identifier handed out again names a new device: the one left with it is gone.
    if (opened && openParams_.wDeviceID == g_left.id) {
        g_left.id = 0;
    }
    return opened;
}

bool WaveDevice::SetFormat(const RecordingFormat& format) {
    waveParams_.wFormatTag = WAVE_FORMAT_PCM;
    waveParams_.nChannels = format.channels;
    waveParams_.wBitsPerSample = format.bitsPerSample;
    waveParams_.nSamplesPerSec = format.sampleRate;
    // Bytes per sample frame, the fraction dropped.
    const uint32_t bitsPerFrame = uint32_t{format.channels} * format.bitsPerSample;
    const float bytesPerFrame = static_cast<float>(bitsPerFrame) / 8.0f;
    waveParams_.nBlockAlign = static_cast<WORD>(static_cast<uint32_t>(bytesPerFrame));
    waveParams_.nAvgBytesPerSec = waveParams_.nSamplesPerSec * waveParams_.nBlockAlign;
    if (Send(MCI_SET, kFormatFlags, &waveParams_)) {
        return true;
    }
    // A device that refused the format records in its own (8-bit mono at 11,025 Hz on Wine), and
    // its file is judged by what it holds: the format is asked for, where the device tells it.
    const uint32_t refused = lastError_;
    DWORD_PTR channels = 0, rate = 0, bytesPerSecond = 0, blockAlign = 0, bits = 0;
    if (Ask(MCI_WAVE_STATUS_CHANNELS, channels) && Ask(MCI_WAVE_STATUS_SAMPLESPERSEC, rate) &&
        Ask(MCI_WAVE_STATUS_AVGBYTESPERSEC, bytesPerSecond) && Ask(MCI_WAVE_STATUS_BLOCKALIGN, blockAlign) &&
        Ask(MCI_WAVE_STATUS_BITSPERSAMPLE, bits)) {
        waveParams_.nChannels = static_cast<WORD>(channels);
        waveParams_.nSamplesPerSec = static_cast<DWORD>(rate);
        waveParams_.nAvgBytesPerSec = static_cast<DWORD>(bytesPerSecond);
        waveParams_.nBlockAlign = static_cast<WORD>(blockAlign);
        waveParams_.wBitsPerSample = static_cast<WORD>(bits);
    }
    lastError_ = refused;
    return false;
}

// The driver's capture thread is looked for around the command, so that the stop can wait for
// it. The command takes no options, but the device rejects a missing parameter block. A device
// that names its recording file does so once it records.
bool WaveDevice::Record() {
    if (quirks_.captureOutlivesStop) {
        captureThreads_.NoteExistingThreads();
    }
    MCI_RECORD_PARMS recordParams = {};
    const bool recording = Send(MCI_RECORD, 0, &recordParams);
    if (quirks_.captureOutlivesStop) {
        captureThreads_.FindDriverThreads();
    }
    MCI_INFO_PARMSA info = {};
    info.lpstrReturn = recordingFile_;
    info.dwRetSize = sizeof(recordingFile_);
    if (send_(openParams_.wDeviceID, MCI_INFO, MCI_INFO_FILE | MCI_WAIT,
              reinterpret_cast<DWORD_PTR>(&info)) != 0) {
        recordingFile_[0] = '\0';
    }
    recordingFile_[sizeof(recordingFile_) - 1] = '\0';
    return recording;
}

// Saving or closing while the driver's capture thread still writes the end of the take can crash
// the process, so that thread is waited for where it outlives the stop.
bool WaveDevice::Stop() {
    MCI_GENERIC_PARMS stopParams = {};
    const bool stopped = Send(MCI_STOP, MCI_WAIT, &stopParams);
    if (quirks_.captureOutlivesStop) {
        captureThreads_.WaitForDriverThreads();
    }
    return stopped;
}

bool WaveDevice::Save(char* target) {
    saveParams_.lpfilename = target;
    return Send(MCI_SAVE, MCI_SAVE_FILE | MCI_WAIT, &saveParams_);
}

bool WaveDevice::Close() {
    MCI_GENERIC_PARMS closeParams = {};
    return Send(MCI_CLOSE, 0, &closeParams);
}

bool WaveDevice::AskMode(DWORD_PTR& mode) {
    return Ask(MCI_STATUS_MODE, mode);
}

InputReading WaveDevice::ReadInput() {
    InputReading reading = {};
    reading.lengthTold = Ask(MCI_STATUS_POSITION, reading.lengthMs);
    reading.says = AskWhetherItRecords();
    reading.stopsWithoutInput = StopsWithoutInput(reading.says);
    return reading;
}

InputReading::Says WaveDevice::AskWhetherItRecords() {
    DWORD_PTR mode = 0;
    if (!AskMode(mode)) {
        return InputReading::Says::kCannotTell;
    }
    return mode == MCI_MODE_RECORD ? InputReading::Says::kRecords : InputReading::Says::kDoesNotRecord;
}

// A device that waits for ever for the buffer of a dead input does so only while it records: one
// that has stopped by itself has no capture left to wait for.
bool WaveDevice::StopsWithoutInput(InputReading::Says says) const {
    return !quirks_.hangsWithoutInput || says == InputReading::Says::kDoesNotRecord;
}

// A driver may start the capture on a thread of its own and answer the record command before it
// has found an input: with no input device at all the command then reports success and the take
// is silently empty. The mode tells the two apart: "stopped" then. Nothing promises that it reads
// "record" as soon as the command returns, so any other answer is asked again, for a bounded time.
bool WaveDevice::SaysItRecords(TickSource readTick, PauseFunction pause) {
    auto records = [this] {
        DWORD_PTR mode = 0;
        if (!AskMode(mode) || mode == MCI_MODE_RECORD) {
            return Answer::kYes;
        }
        return mode == MCI_MODE_STOP ? Answer::kNo : Answer::kNotYet;
    };
    return AskUntilAnswered(records, kSettleMs, kSettlePollMs, readTick, pause);
}

PCMWAVEFORMAT WaveDevice::Pcm() const {
    PCMWAVEFORMAT pcm = {};
    pcm.wf.wFormatTag = waveParams_.wFormatTag;
    pcm.wf.nChannels = waveParams_.nChannels;
    pcm.wf.nSamplesPerSec = waveParams_.nSamplesPerSec;
    pcm.wf.nAvgBytesPerSec = waveParams_.nAvgBytesPerSec;
    pcm.wf.nBlockAlign = waveParams_.nBlockAlign;
    pcm.wBitsPerSample = waveParams_.wBitsPerSample;
    return pcm;
}

namespace {

// The root of the volume that holds path ("C:\\"); false when it cannot be told. A relative path
// is made full first: Windows answers the boot volume for one, whatever the current folder.
bool VolumeOf(const char* path, char (&volume)[MAX_PATH + 1]) {
    char fullPath[MAX_PATH + 1];
    const DWORD length = GetFullPathNameA(path, sizeof(fullPath), fullPath, nullptr);
    return length > 0 && length < sizeof(fullPath) &&
           GetVolumePathNameA(fullPath, volume, sizeof(volume)) != 0;
}

}  // namespace

bool WaveDevice::SaveNeedsRoomAt(const char* target) const {
    char recordingVolume[MAX_PATH + 1] = {};
    char targetVolume[MAX_PATH + 1] = {};
    return recordingFile_[0] == '\0' || !VolumeOf(recordingFile_, recordingVolume) ||
           !VolumeOf(target, targetVolume) || lstrcmpiA(recordingVolume, targetVolume) != 0;
}

bool WaveDevice::SavesAnewAfterAShortSave() const {
    return recordingFile_[0] == '\0';
}

bool WaveDevice::WriteRecordingTo(const char* target, uint32_t minimumData) const {
    return recordingFile_[0] != '\0' && WriteTakeFromRecording(recordingFile_, target, Pcm(), minimumData);
}

// The mode is asked only of a device whose answer depends on it.
bool WaveDevice::CanStopWithDeadInput() {
    return !quirks_.hangsWithoutInput || StopsWithoutInput(AskWhetherItRecords());
}

void WaveDevice::Leave(const char* takePath) {
    g_left.id = openParams_.wDeviceID;
    lstrcpynA(g_left.takePath, takePath, static_cast<int>(sizeof(g_left.takePath)));
}

bool WaveDevice::IsLeft() const {
    return g_left.id != 0 && openParams_.wDeviceID == g_left.id;
}

const char* WaveDevice::LeftTakePath() const {
    return g_left.takePath;
}

void WaveDevice::Reclaim() {
    if (IsLeft()) {
        g_left.id = 0;
    }
}

// Sends one command to this device and keeps its answer. A command for the identifier of a device
// left with its dead input is not sent: it counts as failed.
bool WaveDevice::Send(UINT command, DWORD flags, void* params) {
    const MCIDEVICEID device = command == MCI_OPEN ? 0 : openParams_.wDeviceID;
    if (command != MCI_OPEN && IsLeft()) {
        lastError_ = MCIERR_INVALID_DEVICE_ID;
        return false;
    }
    lastError_ = send_(device, command, flags, reinterpret_cast<DWORD_PTR>(params));
    return lastError_ == 0;
}

bool WaveDevice::Ask(DWORD item, DWORD_PTR& value) {
    MCI_STATUS_PARMS status = {};
    status.dwItem = item;
    if (send_(openParams_.wDeviceID, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT,
              reinterpret_cast<DWORD_PTR>(&status)) != 0) {
        return false;
    }
    value = status.dwReturn;
    return true;
}
