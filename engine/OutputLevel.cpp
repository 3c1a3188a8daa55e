#include "engine/OutputLevel.h"

void OutputLevel::rampTo(float target, int32_t frames)
{
    target_ = target;
    if (frames < 1) {
        current_ = target;
        remaining_ = 0;
        return;
    }
    step_ = (target - current_) / static_cast<float>(frames);
    remaining_ = frames;
}
