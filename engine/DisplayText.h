#pragma once
// Numbers as parameter displays show them: at most 8 characters and the
// zero, digits truncated and never rounded, "Huge!" beyond what fits.

// text receives at least 9 bytes; something is always written.
void formatDisplayNumber(float value, char* text);
