#pragma once

#include <cfloat>
#include <cmath>
#include <cstdint>

// Only normal numbers reach the host: huge values in a float sample can
// overflow the sum, and tiny ones turn subnormal under the envelope.
inline float keepNormal(float out)
{
    const float magnitude = std::fabs(out);
    return magnitude >= FLT_MIN && magnitude <= FLT_MAX ? out : 0.0f;
}

// The level the whole output is scaled by (volume times expression). A new
// level is reached in a straight ramp over a few milliseconds, so that a
// controller never clicks; until one arrives the level is exactly 1.0.
//
// Audio thread only. next() is called once per output frame, by the
// per-sample path and the fast render alike, so both see the same floats.
class OutputLevel {
public:
    // Ramps from the present level to `target` over `frames` frames (at
    // once for frames below 1).
    void rampTo(float target, int32_t frames);
    // The level of the next frame.
    float next()
    {
        if (remaining_ > 0) {
            --remaining_;
            current_ = remaining_ == 0 ? target_ : current_ + step_;
        }
        return current_;
    }
    // True while every frame is at exactly 1.0: scaling would change nothing.
    bool isUnity() const { return remaining_ == 0 && current_ == 1.0f; }
    float current() const { return current_; }

private:
    float current_ = 1.0f;
    float target_ = 1.0f;
    float step_ = 0.0f;
    int32_t remaining_ = 0;
};
