#pragma once

#include <cstdint>

// The pseudo-random sequence that scatters grain start points. Its constants
// and its 15-bit output are part of the sound: a render must come out the
// same in every run, so the state starts at 1 and is never seeded.
struct ScatterGenerator {
    uint32_t state = 1;

    int32_t next()
    {
        state = state * 214013u + 2531011u;
        return static_cast<int32_t>((state >> 16) & 0x7FFFu);
    }
};

// The calling thread's own generator. Take the reference once per audio
// block: the first touch of thread-local storage on a thread may allocate.
ScatterGenerator& threadScatterGenerator();
