// sound_probe.exe: exits with the number of waveform-audio input devices the system offers this
// process. The stress tests start it with the environment they give the recorder, to show that
// the environment really leaves the recorder without a sound device.

#include <windows.h>
#include <mmsystem.h>

int main() {
    return static_cast<int>(waveInGetNumDevs());
}
