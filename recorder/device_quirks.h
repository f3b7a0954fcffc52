#pragma once

// Where the waveform-audio device the recorder drives departs from its documented behaviour, and
// the recorder has to work around it. The documented behaviour is the default; each workaround
// is on only where its platform has been identified (measured under Wine 8, see
// docs/platform-notes.md).
struct DeviceQuirks {
    // The driver's capture thread goes on writing the end of a take after the stop has returned,
    // and a save or a close in that moment can crash the process: the end of a take waits for it.
    bool captureOutlivesStop = false;
    // A device whose input has died never returns from a stop, a save or a close: such a device
    // is sent nothing more, and the take is written from the device's recording file instead.
    bool hangsWithoutInput = false;
};

// The quirks of the platform this process runs on.
DeviceQuirks QuirksOfThisPlatform();
