#pragma once

#include "recorder/wave_recorder.h"
#include "tests/support/scripted_device.h"

// Points a recorder's device, clock and error handler at g_script, which is left as it is.
inline void WireToScript(WaveRecorder& recorder) {
    recorder.sendCommand = ScriptedSend;
    recorder.readTick = ScriptedTick;
    recorder.onError = RecordMessage;
}
