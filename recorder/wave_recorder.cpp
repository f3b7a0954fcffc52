#include "recorder/wave_recorder.h"

#include "recorder/file_naming.h"
#include "recorder/recorder_texts.h"
#include "recorder/take_file.h"

// The bracket of a start or a stop: the sequence begins with nothing to tell, and ends by telling
// it, once its commands have all been sent; a take whose file is then done with ends, unless the
// take was finished from inside one of the boxes.
class WaveRecorder::SequenceScope {
public:
    SequenceScope(WaveRecorder& recorder, Sequence which) : recorder_(recorder) {
        recorder_.sequence_ = which;
        recorder_.reports_.Clear();
    }
    ~SequenceScope() {
        if (recorder_.TellReports() && recorder_.stage_ == TakeStage::kClosed) {
            recorder_.MoveTo(TakeStage::kIdle);
        }
        recorder_.sequence_ = Sequence::kNone;
    }

private:
    WaveRecorder& recorder_;
};

WaveRecorder::WaveRecorder() = default;

WaveRecorder::~WaveRecorder() {
    StopAndSave();
    SequenceScope scope(*this, Sequence::kStop);
    ReclaimLeftDevice();
}

bool WaveRecorder::SetFormat(uint16_t sampleRate, uint16_t bitsPerSample, uint16_t channels) {
    if (stage_ != TakeStage::kIdle) {
        return false;
    }
    format.sampleRate = sampleRate;
    format.bitsPerSample = bitsPerSample;
    format.channels = channels;
    return true;
}

void WaveRecorder::StartRecording(const char* newPath) {
    if (sequence_ != Sequence::kNone || stage_ != TakeStage::kIdle) {
        return;
    }
    {
        SequenceScope scope(*this, Sequence::kStart);
        keepFolder_.Forget();
        ReclaimLeftDevice();
        lstrcpynA(takePath_, newPath, static_cast<int>(sizeof(takePath_)));
        lstrcpynA(path, takePath_, static_cast<int>(sizeof(path)));
        current_ = FreeSlot(current_);
        MoveTo(StartFirstFile() ? TakeStage::kRecording : TakeStage::kNoDevice);
    }
    // Taken once the boxes are closed, so the time a box stays up is not counted.
    startTick = readTick();
}

void WaveRecorder::StopAndSave() {
    if (stage_ == TakeStage::kIdle || sequence_ != Sequence::kNone) {
        return;
    }
    SequenceScope scope(*this, Sequence::kStop);
    EndFile(InputAtStop());
}

bool WaveRecorder::WatchTake() {
    if (stage_ != TakeStage::kRecording || sequence_ != Sequence::kNone) {
        return false;
    }
    const DWORD now = readTick();
    if (Current().input.SeesDeadInput(Current().device.ReadInput(), now)) {
        SequenceScope scope(*this, Sequence::kStop);
        EndFile(DeadInput());
    } else if (FileBytesAt(readTick()) >= handOverBytes) {
        HandOver();
    }
    return stage_ == TakeStage::kIdle;
}

void WaveRecorder::FinishTakeSilently() {
    if (stage_ == TakeStage::kIdle) {
        return;
    }
    if (stage_ != TakeStage::kNoDevice) {  // a take without a device has nothing to save
        EndFile(InputAtStop());
    }
    // The process ends right after: a device that came back to life is saved now or never.
    ReclaimLeftDevice();
    reports_.Clear();
    MoveTo(TakeStage::kIdle);
}

int32_t WaveRecorder::IsRecording() const {
    return stage_ != TakeStage::kIdle ? 1 : 0;
}

bool WaveRecorder::InSequence() const {
    return sequence_ != Sequence::kNone;
}

uint32_t WaveRecorder::ElapsedSeconds() const {
    if (stage_ == TakeStage::kIdle) {
        return 0;
    }
    // Unsigned difference, so a take across the wrap of the tick counter still counts right.
    const uint32_t elapsedMs = readTick() - startTick;
    // Kept in single precision, as the count has always been made; at most about 4.3 million.
    const float seconds = static_cast<float>(elapsedMs / 1000.0);
    return static_cast<uint32_t>(seconds);
}

uint32_t WaveRecorder::LastError() const {
    return files_[current_].device.LastError();
}

size_t WaveRecorder::RefusedSteps() const {
    return refusedSteps_;
}

WaveRecorder::TakeFile& WaveRecorder::Current() {
    return files_[current_];
}

// Every step goes through here. A step the table does not allow is a mistake in this file: it is
// refused rather than taken, and counted.
void WaveRecorder::MoveTo(TakeStage next) {
    if (CanStep(stage_, next)) {
        stage_ = next;
    } else {
        ++refusedSteps_;
    }
}

// Shows what the sequence has to tell, in order. False when the take was finished from outside
// (the end of the session) while a box was up: the sequence then has nothing left to show.
bool WaveRecorder::TellReports() {
    const bool takeRuns = stage_ != TakeStage::kIdle;
    for (size_t i = 0; i < reports_.Count(); ++i) {
        onError(reports_.At(i));
        if (takeRuns && stage_ == TakeStage::kIdle) {
            return false;
        }
    }
    reports_.Clear();
    return true;
}

// The take's first file goes through every command whatever fails, holding what fails for the
// sequence to tell. False when no device opened.
bool WaveRecorder::StartFirstFile() {
    TakeFile& file = Current();
    const bool opened = file.device.Open(sendCommand, quirks);
    if (!opened) {
        reports_.Add(kOpenFailed);
    }
    if (!file.device.SetFormat(format)) {
        reports_.Add(kSetFailed);
    }
    RecordFile(file);
    return opened;
}

// A later file records only once its open and its format succeeded: after a failed open its
// commands would go to an identifier that may name the file before it, and a device left in its
// own format (8-bit mono at 11,025 Hz on Wine) would record a file that is not the take's, found
// short at its save. A later device that does not record is closed. True when it records.
bool WaveRecorder::StartNextFile(TakeFile& file) {
    if (!file.device.Open(sendCommand, quirks)) {
        reports_.Add(kOpenFailed);
        return false;
    }
    if (!file.device.SetFormat(format)) {
        reports_.Add(kSetFailed);
    } else if (RecordFile(file)) {
        return true;
    }
    if (!file.device.Close()) {
        reports_.Add(kCloseFailed);
    }
    return false;
}

// Sends the record command and asks the device whether it records; true when it does.
bool WaveRecorder::RecordFile(TakeFile& file) {
    const bool recordSent = file.device.Record();
    file.fileStartTick = readTick();
    file.input.Begin(file.fileStartTick, file.fileStartTick);
    const bool records = recordSent && file.device.SaysItRecords(readTick, pause);
    if (!records) {
        reports_.Add(kRecordFailed);
    }
    return records;
}

// The input of a running file at a stop: a device that cannot be stopped without its input is
// stopped only once its input is seen coming, and left as it is otherwise.
WaveRecorder::InputAtEnd WaveRecorder::InputAtStop() {
    TakeFile& file = Current();
    if (stage_ != TakeStage::kRecording || file.device.CanStopWithDeadInput() || SeesInputComing(file)) {
        return InputAtEnd::kLives;
    }
    return InputAtEnd::kDiedWithDevice;
}

// For a device that cannot be stopped without its input: false when the input is found dead
// before a stop, or nothing has come at all. The length as it stands at the click, near the time
// the file has run, is a live input; else it is watched for a while, and one that grows is. A dead
// input's stop waits for a buffer that never comes; a live one grows within a third of a second. An
// input that dies less than half a second before the click is not told apart, and its stop hangs.
bool WaveRecorder::SeesInputComing(TakeFile& file) {
    constexpr DWORD kStopCheckMs = 3000;
    constexpr DWORD kStopCheckPollMs = 20;
    bool atClick = true;
    auto coming = [&] {
        const DWORD now = readTick();
        const bool grew = file.input.Look(file.device.ReadInput(), now);
        const bool comes = atClick ? !file.input.LagsBehind(readTick()) : grew;
        atClick = false;
        return comes ? Answer::kYes : Answer::kNotYet;
    };
    return AskUntilAnswered(coming, kStopCheckMs, kStopCheckPollMs, readTick, pause);
}

// The input the watch found dead.
WaveRecorder::InputAtEnd WaveRecorder::DeadInput() {
    return Current().device.CanStopWithDeadInput() ? InputAtEnd::kDied : InputAtEnd::kDiedWithDevice;
}

// Ends the current file, whatever ends it: a stop (a click, the automatic stop, the session's end,
// a hand-over) or the watch. Each command is sent from where the file stands. An input that died
// is told, and ends the take with this file.
void WaveRecorder::EndFile(InputAtEnd input) {
    if (input != InputAtEnd::kLives) {
        reports_.Add(kInputLost);
    }
    if (input == InputAtEnd::kDiedWithDevice) {
        LeaveFile();
        return;
    }
    if (stage_ == TakeStage::kRecording || stage_ == TakeStage::kNoDevice) {
        StopAndSaveFile();
    }
    if (stage_ == TakeStage::kSaved || stage_ == TakeStage::kLost) {
        if (!Current().device.Close()) {
            reports_.Add(kCloseFailed);
        }
        MoveTo(TakeStage::kClosed);
    }
}

// The file's device cannot be stopped without its input: it is sent nothing more, and the take is
// written from its recording file. A file that never grew recorded nothing: nothing lost to tell.
void WaveRecorder::LeaveFile() {
    TakeFile& file = Current();
    char keptPath[kPathBufferSize] = {};
    file.device.Leave(takePath_);
    MoveTo(TakeStage::kInputDied);
    const Outcome outcome = WriteFromRecordingFile(file.device, path, keepFolder_, keptPath);
    if (outcome != Outcome::kLost || file.input.HasGrown()) {
        NoteOutcome(outcome, keptPath);
    } else {
        MoveTo(TakeStage::kLost);
    }
    MoveTo(TakeStage::kClosed);
}

// The name is chosen while the device still records; then the stop, and the save.
void WaveRecorder::StopAndSaveFile() {
    TakeFile& file = Current();
    const bool targetReady = MakeFreeTarget(path);
    if (!file.device.Stop()) {
        reports_.Add(kStopFailed);
    }
    MoveTo(TakeStage::kStopped);
    const DWORD stoppedAt = readTick();
    file.input.Look(file.device.ReadInput(), stoppedAt);  // the length as it stands after the stop
    char keptPath[kPathBufferSize] = {};
    const Outcome outcome =
        SaveRecording(file.device, path, targetReady, file.input.LengthMs(), keepFolder_, keptPath);
    if (outcome != Outcome::kAtTarget) {
        reports_.Add(kSaveFailed);
    }
    NoteOutcome(outcome, keptPath);
}

// Tells where a file's sound went, if not where it was aimed.
void WaveRecorder::NoteOutcome(Outcome outcome, const char* keptPath) {
    if (outcome == Outcome::kKept) {
        reports_.AddKeptAt(keptPath);
    } else if (outcome == Outcome::kLost) {
        reports_.Add(kTakeLost);
    }
    MoveTo(outcome == Outcome::kLost ? TakeStage::kLost : TakeStage::kSaved);
}

// The file is saved and the take goes on in the next free name of its path, in the other device
// (unless one left with its dead input holds it). The next records before this one stops: the
// files overlap by a moment rather than leave a gap while this one is saved, a copy of seconds on
// Windows. This one is closed while the next records, its capture over (the stop waits for it
// where it outlives the stop). Where a second device cannot record beside the first, untold, the
// next opens once this one is closed. A next file that cannot record, or an input found dead at
// the stop, ends the take.
void WaveRecorder::HandOver() {
    SequenceScope scope(*this, Sequence::kStop);
    const InputAtEnd input = InputAtStop();
    const size_t next = FreeSlot((current_ + 1) % kFileCount);
    bool overlaps = false;
    if (input == InputAtEnd::kLives && next != current_) {
        const size_t told = reports_.Count();
        overlaps = StartNextFile(files_[next]);
        reports_.DropAfter(told);
    }
    EndFile(input);
    if (input != InputAtEnd::kLives) {
        return;
    }
    lstrcpynA(path, takePath_, static_cast<int>(sizeof(path)));
    if (overlaps || StartNextFile(files_[next])) {
        current_ = next;
        MoveTo(TakeStage::kRecording);
    }
}

// A device left with a dead input whose length has grown again was alive after all (its sound
// came back late), and it would go on recording, unseen, until the program ends. At the next start
// and at the end it is saved, and the user told where.
void WaveRecorder::ReclaimLeftDevice() {
    for (TakeFile& file : files_) {
        if (!file.device.IsLeft()) {
            continue;
        }
        char savedPath[kPathBufferSize] = {};
        const LeftDevice left = ReclaimIfAlive(file.device, file.input.LengthMs(), keepFolder_, savedPath);
        if (left == LeftDevice::kSaved) {
            reports_.AddKeptAt(savedPath);
        } else if (left == LeftDevice::kLost) {
            reports_.Add(kTakeLost);
        }
    }
}

// The slot a file is given: the one preferred, unless its device is left with its dead input; the
// other one then.
size_t WaveRecorder::FreeSlot(size_t preferred) const {
    return files_[preferred].device.IsLeft() ? (preferred + 1) % kFileCount : preferred;
}

// The file grows at most as fast as time passes, so the time it has recorded bounds its size from
// above, whether or not the device tells its length while it records.
uint64_t WaveRecorder::FileBytesAt(DWORD now) {
    const TakeFile& file = Current();
    return SampleBytesOf(now - file.fileStartTick, file.device.Pcm()) + kWaveHeaderSize;
}
