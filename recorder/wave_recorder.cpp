#include "recorder/wave_recorder.h"

#include "recorder/device_command.h"
#include "recorder/file_size_limit.h"
#include "recorder/recorder_texts.h"
#include "recorder/take_file.h"

WaveRecorder::WaveRecorder()
    : openParams(),
      saveParams(),
      waveParams(),
      format{.sampleRate = 44100, .channels = 2, .bitsPerSample = 16},
      lastError(0),
      startTick(0),
      path(),
      onError(DefaultErrorHandler),
      sendCommand(SendDeviceCommand),
      readTick(GetTickCount),
      quirks(QuirksOfThisPlatform()),
      handOverBytes(kHandOverBytes),
      stage_(TakeStage::kIdle),
      sequence_(Sequence::kNone),
      takePath_(),
      fileStartTick_(0),
      recordingFile_(),
      left_() {}

WaveRecorder::~WaveRecorder() {
    StopAndSave();
    sequence_ = Sequence::kStop;
    ReclaimLeftDevice();
    TellReports();
    sequence_ = Sequence::kNone;
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
    sequence_ = Sequence::kStart;
    reports_.Clear();
    ReclaimLeftDevice();
    TellReports();
    lstrcpynA(takePath_, newPath, static_cast<int>(sizeof(takePath_)));
    lstrcpynA(path, takePath_, static_cast<int>(sizeof(path)));
    FillWaveParams();
    // Each failure is told as it happens: nothing has been recorded yet that a box could hold
    // back from the disk.
    if (StartFile(true)) {
        // Taken after any error box has been closed, so the time a box stays up is not counted.
        startTick = readTick();
    }
    sequence_ = Sequence::kNone;
}

void WaveRecorder::StopAndSave() {
    if (stage_ == TakeStage::kIdle || sequence_ != Sequence::kNone) {
        return;
    }
    sequence_ = Sequence::kStop;
    reports_.Clear();
    EndFileAtStop();
    TellReports();
    MoveTo(TakeStage::kIdle);
    sequence_ = Sequence::kNone;
}

bool WaveRecorder::WatchTake() {
    if (stage_ != TakeStage::kRecording || sequence_ != Sequence::kNone) {
        return false;
    }
    if (InputDied()) {
        EndTakeOfLostInput();
        return true;
    }
    if (FileBytesAt(readTick()) >= handOverBytes) {
        HandOver();
        return stage_ == TakeStage::kIdle;
    }
    return false;
}

void WaveRecorder::FinishTakeSilently() {
    if (stage_ == TakeStage::kIdle) {
        return;
    }
    // A take whose device could not be opened has nothing to stop or save.
    if (stage_ != TakeStage::kNoDevice) {
        EndFileAtStop();
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
    // The quotient is kept in single precision, as the count has always been made; it is at most
    // about 4.3 million, so the conversion back to an integer is always in range.
    const float seconds = static_cast<float>(elapsedMs / 1000.0);
    return static_cast<uint32_t>(seconds);
}

// Every step goes through here. The steps are chosen by asking the stage first, so a step the
// table does not allow is a mistake in this file: it is refused rather than taken.
void WaveRecorder::MoveTo(TakeStage next) {
    if (CanStep(stage_, next)) {
        stage_ = next;
    }
}

// Shows what the sequence has to tell, in order. False when, while a box was up, the take was
// finished from outside (the end of the session): the sequence then has nothing left to do, and
// nothing more is shown.
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

// The file grows at most as fast as time passes, so the time it has recorded bounds its size from
// above, whether or not the device tells its length while it records.
uint64_t WaveRecorder::FileBytesAt(DWORD now) const {
    return uint64_t{now - fileStartTick_} * waveParams.nAvgBytesPerSec / 1000 + kWaveHeaderSize;
}

// The file is saved and the take goes on at once in the next free name of its path. What went
// wrong with the file is told once the next one records; a next file that cannot record ends the
// take there.
void WaveRecorder::HandOver() {
    if (quirks.hangsWithoutInput && !InputStillComing()) {
        EndTakeOfLostInput();
        return;
    }
    sequence_ = Sequence::kStop;
    reports_.Clear();
    EndFile();
    lstrcpynA(path, takePath_, static_cast<int>(sizeof(path)));
    StartFile(false);
    if (TellReports() && stage_ == TakeStage::kClosed) {
        MoveTo(TakeStage::kIdle);
    }
    sequence_ = Sequence::kNone;
}

// The tick found the input dead. Under a device that cannot be stopped without its input the take
// is written from the recording file; any other device is stopped and saved as at a click.
void WaveRecorder::EndTakeOfLostInput() {
    sequence_ = Sequence::kStop;
    reports_.Clear();
    if (quirks.hangsWithoutInput) {
        EndFileOfLostInput();
    } else {
        reports_.Add(kInputLost);
        EndFile();
    }
    TellReports();
    MoveTo(TakeStage::kIdle);
    sequence_ = Sequence::kNone;
}
