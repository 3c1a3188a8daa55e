#pragma once
// Channel arrays of a SampleStore come from here and go back here, so that
// every array is allocated once at its final size and freed the same way.
// Kept in a file of its own: a test can link its own version to make an
// allocation fail.

#include <cstdint>

// entries floats, or null when the memory cannot be had.
float* allocateChannel(uint32_t entries);
void freeChannel(float* channel);
