#pragma once
// The yardstick the engine's speed is measured against: the engine's playing
// written the plain way, one frame at a time, every voice and every grain
// worked out afresh each frame, nothing laid out ahead. It gives the
// engine's output bit for bit (the score bench checks that, so both are
// known to play the same). Benchmarks only; never shipped.

#include "bench/HeavyScore.h"
#include "engine/OutputLevel.h"
#include "engine/ScatterGenerator.h"
#include "engine/VoiceAllocator.h"

#include <cstdint>
#include <vector>

// What the engine plays with, read from it once it has its sample.
struct PlainSettings {
    float hostRate;
    float fileRate;
    int32_t grainLength;
    float windowStep;
    int32_t spacing;
    int32_t randomRange;
    float speed;
    int32_t fadeFrames;
    int32_t rampFrames;
    float noteRatio[128];
};

class PlainGranular {
public:
    // `left` and `right` hold frames + 1 floats (the last 0.0); right is null
    // for a mono sample.
    PlainGranular(const float* left, const float* right, int32_t frames, const PlainSettings& settings);

    // Renders the score's frames [0, frames) into left and right.
    void render(const std::vector<ScoreEvent>& score, float* left, float* right, int32_t frames);

private:
    enum State { Idle, Playing, Releasing, Fading };
    struct Grain {
        int32_t position;
        int32_t age;
    };
    struct Voice {
        State state = Idle;
        Grain grains[32];
        int32_t count = 0; // live grains, oldest first
        float nextStart = 0.0f;
        int32_t countdown = 0;
        float rate = 0.0f;
        float frac = 0.0f;
        float gain = 1.0f;
        int32_t fadeAge = 0;
        int32_t fadeLength = 1;
    };
    static constexpr int32_t kVoices = 12;

    void handle(const ScoreEvent& event);
    void noteOn(int32_t note, int32_t velocity);
    void nextFrame(Voice& voice, float& left, float& right);
    void startGrain(Voice& voice);
    static void dropOldest(Voice& voice);

    const float* left_;
    const float* right_;
    int32_t length_;
    PlainSettings settings_;
    Voice voices_[kVoices];
    Voice fades_[kVoices];
    VoiceAllocator allocator_{kVoices};
    OutputLevel level_;
    ScatterGenerator scatter_;
    int32_t volume_ = 127;
    int32_t expression_ = 127;
    bool pedal_ = false;
};
