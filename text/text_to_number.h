#pragma once

// Reads the number at the start of a NUL-terminated ANSI text: decimal with an optional sign and
// fraction, or "&H" hexadecimal / "&O" octal. Never fails: a text with no leading number gives 0.
// The text is only read.
double TextToNumber(const char* text);
