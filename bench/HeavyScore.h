#pragma once
// A heavy score for the whole-render benchmarks: twelve notes always held
// at the densest setting, a new note every 50 ms taking the voice of the
// oldest (so a stolen note fades out every 50 ms), the sustain pedal going
// down and up, and volume and expression changing every few hundred ms.

#include <cstdint>
#include <vector>

struct ScoreEvent {
    int32_t frame; // from the start of the render
    int32_t status;
    int32_t data1;
    int32_t data2;
};

// The score's events for `frames` frames at `rate`, in frame order.
std::vector<ScoreEvent> heavyScore(float rate, int32_t frames);

// The parameter values the score plays at (index, value).
struct ScoreParameter {
    int32_t index;
    float value;
};
inline constexpr ScoreParameter kHeavyScoreParameters[] = {{1, 1.0f}, {2, 1.0f}, {3, 0.3f}};
