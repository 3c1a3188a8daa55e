#pragma once

#include <cstdint>

// The gain of a MIDI value from 0 to 127 (a note's velocity, volume,
// expression): the square of value / 127. 127 gives exactly 1.0, 64 about
// a quarter (-12 dB), and equal steps of the value sound about equally loud.
inline float squareLawGain(int32_t value)
{
    const float x = static_cast<float>(value) / 127.0f;
    return x * x;
}
