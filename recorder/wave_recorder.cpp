#include "recorder/wave_recorder.h"

#include "recorder/recorder_texts.h"
#include "recorder/save_target.h"
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
        const FileStart started = StartFile(Current(), true);
        MoveTo(started == FileStart::kNoDevice ? TakeStage::kNoDevice : TakeStage::kRecording);
    }
    // Taken once the boxes are closed, so the time a box stays up is not counted.
    startTick = readTick();
}

void WaveRecorder::StopAndSave() {
    if (stage_ == TakeStage::kIdle || sequence_ != Sequence::kNone) {
        return;
    }
    SequenceScope scope(*this, Sequence::kStop);
    EndFile(false);
}

bool WaveRecorder::WatchTake() {
    if (stage_ != TakeStage::kRecording || sequence_ != Sequence::kNone) {
        return false;
    }
    if (Current().input.SeesDeadInput(Current().device, readTick())) {
        SequenceScope scope(*this, Sequence::kStop);
        EndFile(true);
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
        EndFile(false);
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
    return files_[current_].device.lastError;
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

// Opens a device for a file of the take, sets the take's format and starts it recording, holding
// what fails for the sequence to tell. The take's first file goes through every command whatever
// fails. A later one records only once its open and its format succeeded: after a failed open its
// commands would go to an identifier that may name the file before it, and a device left in its
// own format (8-bit mono at 11,025 Hz on Wine) would record a file that is not the take's, found
// short at its save. A later device that does not record is closed.
WaveRecorder::FileStart WaveRecorder::StartFile(TakeFile& file, bool takesFirst) {
    WaveDevice& device = file.device;
    const bool opened = device.Open(sendCommand, quirks);
    if (!opened) {
        reports_.Add(kOpenFailed);
        if (!takesFirst) {
            return FileStart::kNoDevice;
        }
    }
    const bool formatSet = device.SetFormat(format);
    if (!formatSet) {
        reports_.Add(kSetFailed);
    }
    bool records = false;
    if (takesFirst || formatSet) {
        const bool recordSent = device.Record();
        file.startTick = readTick();
        file.input.Begin(file.startTick, file.startTick);
        records = recordSent && device.SaysItRecords(readTick, pause);
        if (!records) {
            reports_.Add(kRecordFailed);
        }
    }
    if (!opened) {
        return FileStart::kNoDevice;
    }
    if (records) {
        return FileStart::kRecording;
    }
    if (!takesFirst && !device.Close()) {
        reports_.Add(kCloseFailed);
    }
    return FileStart::kNotRecording;
}

// Ends the current file, whatever ends it: a stop (a click, the automatic stop, the session's end,
// a hand-over) or the watch, which found its input dead. Each command is sent from where the file
// stands; the name is chosen while the device still records. An input found dead is told, and a
// device that cannot stop without it is left as it is. True when the take ends with this file.
bool WaveRecorder::EndFile(bool inputDied) {
    TakeFile& file = Current();
    char keptPath[kPathBufferSize] = {};
    if (stage_ == TakeStage::kRecording) {
        const bool canStop = file.device.CanStopWithDeadInput();
        inputDied = inputDied || (!canStop && !file.input.SeesInputComing(file.device, readTick));
        if (inputDied) {
            reports_.Add(kInputLost);
        }
        if (inputDied && !canStop) {
            file.device.Leave(takePath_);
            MoveTo(TakeStage::kInputDied);
            const Outcome outcome = WriteFromRecordingFile(file.device, path, keepFolder_, keptPath);
            if (outcome != Outcome::kLost || file.input.HasGrown()) {
                NoteOutcome(outcome, keptPath);
            } else {
                MoveTo(TakeStage::kLost);  // it never grew: nothing was recorded, so nothing lost to tell
            }
            MoveTo(TakeStage::kClosed);
            return true;
        }
    }
    if (stage_ == TakeStage::kRecording || stage_ == TakeStage::kNoDevice) {
        const bool targetReady = MakeFreeTarget(path);
        if (!file.device.Stop()) {
            reports_.Add(kStopFailed);
        }
        MoveTo(TakeStage::kStopped);
        file.input.Look(file.device, readTick());  // the length as it stands after the stop
        const Outcome outcome =
            SaveRecording(file.device, path, targetReady, file.input.LengthMs(), keepFolder_, keptPath);
        if (outcome != Outcome::kAtTarget) {
            reports_.Add(kSaveFailed);
        }
        NoteOutcome(outcome, keptPath);
    }
    if (stage_ == TakeStage::kSaved || stage_ == TakeStage::kLost) {
        if (!file.device.Close()) {
            reports_.Add(kCloseFailed);
        }
        MoveTo(TakeStage::kClosed);
    }
    return inputDied;
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
    TakeFile& file = Current();
    const bool inputComing =
        file.device.CanStopWithDeadInput() || file.input.SeesInputComing(file.device, readTick);
    const size_t next = FreeSlot((current_ + 1) % kFileCount);
    bool overlaps = false;
    if (inputComing && next != current_) {
        const size_t told = reports_.Count();
        overlaps = StartFile(files_[next], false) == FileStart::kRecording;
        reports_.DropAfter(told);
    }
    if (EndFile(!inputComing)) {
        if (overlaps) {
            files_[next].device.Close();
        }
        return;
    }
    lstrcpynA(path, takePath_, static_cast<int>(sizeof(path)));
    if (overlaps || StartFile(files_[next], false) == FileStart::kRecording) {
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
    return SampleBytesOf(now - file.startTick, file.device.Pcm()) + kWaveHeaderSize;
}
