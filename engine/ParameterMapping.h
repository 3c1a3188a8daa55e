#pragma once
// The four parameters: their names, how a value of 0.0 to 1.0 becomes the
// engine's quantities, and the text a display shows for it. Pure functions,
// so that an editor without the instrument (LV2's, in another process)
// shows exactly what the instrument would.

#include <cstdint>

// Values from a foreign state or a careless host: not-a-number and
// infinities become the default, everything else is held to 0.0 to 1.0, so
// no quantity below can reach a zero divisor, a negative length or an index
// off a table.
float sanitizeParameterValue(int32_t index, float value);

// Grain length in output samples, 100 to 8100.
int32_t grainLengthFor(float length);
// Output samples between two grain starts.
int32_t grainSpacingFor(int32_t grainLength, float density);
// Scatter of a grain's start, in frames, 0 to 500.
int32_t randomRangeFor(float random);
// How fast the start point travels, 0.0 to 2.0.
float speedFactorFor(float speed);

// "Speed", "Length", "Density", "Random"; null for any other index.
const char* parameterName(int32_t index);
// The display text for value (at most 8 characters and the zero) at the
// host's rate; milliseconds need a usable rate, and show 0 without one.
void parameterDisplayText(int32_t index, float value, float samplesPerMs, char* text);
