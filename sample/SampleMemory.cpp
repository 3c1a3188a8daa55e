#include "sample/SampleMemory.h"

#include <new>

float* allocateChannel(uint32_t entries)
{
    return new (std::nothrow) float[entries];
}

void freeChannel(float* channel)
{
    delete[] channel;
}
