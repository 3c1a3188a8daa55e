#include "engine/ParameterMapping.h"

#include "engine/DisplayText.h"
#include "engine/GranularProgram.h"

#include <cmath>

namespace {

// T(x): truncation toward zero to int32.
inline int32_t truncate(double x)
{
    return static_cast<int32_t>(x);
}

const char* const kParameterNames[kNumParams] = {"Speed", "Length", "Density", "Random"};

} // namespace

float sanitizeParameterValue(int32_t index, float value)
{
    if (!std::isfinite(value))
        return index >= 0 && index < kNumParams ? kDefaultValues[index] : 0.0f;
    if (value < 0.0f)
        return 0.0f;
    if (value > 1.0f)
        return 1.0f;
    return value;
}

int32_t grainLengthFor(float length)
{
    return 100 - truncate(static_cast<double>(length) * -8000.0);
}

int32_t grainSpacingFor(int32_t grainLength, float density)
{
    return truncate(grainLength / (static_cast<double>(density) * 9.0 + 1.5));
}

int32_t randomRangeFor(float random)
{
    return truncate(static_cast<double>(random) * 500.0);
}

float speedFactorFor(float speed)
{
    return speed + speed;
}

const char* parameterName(int32_t index)
{
    return index >= 0 && index < kNumParams ? kParameterNames[index] : nullptr;
}

void parameterDisplayText(int32_t index, float value, float samplesPerMs, char* text)
{
    const bool canShowMs = samplesPerMs > 0.0f && std::isfinite(samplesPerMs);
    switch (index) {
    case kSpeed:
        formatDisplayNumber(speedFactorFor(value), text);
        break;
    case kLength:
        formatDisplayNumber(canShowMs ? static_cast<float>(grainLengthFor(value)) / samplesPerMs : 0.0f, text);
        break;
    case kDensity:
        formatDisplayNumber(static_cast<float>(static_cast<double>(value) * 9.0 + 1.5), text);
        break;
    case kRandom:
        formatDisplayNumber(canShowMs ? static_cast<float>(randomRangeFor(value)) / samplesPerMs : 0.0f, text);
        break;
    default:
        break;
    }
}
