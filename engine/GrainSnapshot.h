#pragma once
// What the panel shows of the sounding voices: once per block the audio
// thread copies each voice's start point and live grains into a snapshot
// and hands it to the editor, which reads it at its idle calls.

#include "engine/LatestExchange.h"

#include <cstdint>

struct GrainSnapshot {
    static constexpr int32_t kMaxVoices = 24; // the twelve voices and the stolen notes fading out
    static constexpr int32_t kMaxGrains = 32;

    struct Grain {
        int32_t position; // read position in the sample, in frames
        int32_t age;      // output samples since the grain started
    };

    struct Voice {
        bool takingGrains;   // playing, not releasing or fading: new grains start at startPoint
        int32_t startPoint;  // frame the next grain starts from
        int32_t scatter;     // Random: grains start up to this many frames after it
        int32_t grainLength; // output samples a grain lives
        int32_t grainCount;
        Grain grains[kMaxGrains]; // oldest first
    };

    uint32_t sampleSerial = 0; // the loaded sample the positions refer to; 0 for none
    int32_t sampleLength = 0;  // its frames
    int32_t voiceCount = 0;    // sounding voices, packed at the front
    Voice voices[kMaxVoices] = {};
};

// Hands snapshots from the audio thread to the one reader that shows them.
using GrainSnapshotExchange = LatestExchange<GrainSnapshot>;
