#pragma once

#include "recorder/recording_format.h"

// Reads the selected preset text back from g_formatCombo and parses "rate, bits, channels" from
// it into format, writing sampleRate, bitsPerSample and channels in that order. Each number ends
// at its first non-digit; it is truncated toward zero and its low 16 bits are kept.
//
// A selection that gives no such text reads as the CD preset, "44100Hz, 16Bit, 2ch (CD音質)"
// (44100 Hz, 16 bits, 2 channels), the one selected at start-up: no selection (CB_ERR), an item
// too long for the 304-byte text buffer, or a text with fewer than two commas. The read never goes
// past the end of the text.
void ReadSelectedFormat(RecordingFormat& format);
