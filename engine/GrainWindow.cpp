#include "engine/GrainWindow.h"

#include <cmath>

float grainWindow[kGrainWindowSize];

namespace {

bool fillGrainWindow()
{
    // The angle step is a little short of 2 pi / 10000 and is accumulated by
    // repeated addition, which is what gives every table entry its value.
    double theta = 0.0;
    for (int k = 0; k < kGrainWindowSize; ++k) {
        grainWindow[k] = static_cast<float>((1.0 - std::cos(theta)) * 0.5);
        theta += 0.000628318;
    }
    return true;
}

} // namespace

void buildGrainWindow()
{
    static const bool built = fillGrainWindow();
    (void)built;
}
