#pragma once

#include "recorder/wave_recorder.h"
#include "tests/support/scripted_device.h"

// Points a recorder's device, clock, pause and error handler at g_script, which is left as it is, and
// gives it the quirks of the script's device.
inline void WireToScript(WaveRecorder& recorder) {
    recorder.sendCommand = ScriptedSend;
    recorder.readTick = ScriptedTick;
    recorder.pause = ScriptedPause;
    recorder.onError = RecordMessage;
    const bool wine = g_script.profile == DeviceProfile::kWine;
    recorder.quirks.captureOutlivesStop = wine;
    recorder.quirks.hangsWithoutInput = wine;
}
