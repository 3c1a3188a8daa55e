// Value-to-text formatters for parameter displays. Each writes at most 8
// characters plus the terminating zero into the host's buffer, and always
// writes something: hosts hand over uninitialised buffers.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/DisplayText.h"
#include "vst2/AudioEffect.h"

namespace {
constexpr int kDisplayChars = 8;
const char kHuge[] = " Huge!  ";
const char kMinusInfinity[] = "  -oo   ";

void writeText(char* text, const char* value) { std::memcpy(text, value, std::strlen(value) + 1); }
}  // namespace

void AudioEffect::float2string(float value, char* text) { formatDisplayNumber(value, text); }

void AudioEffect::long2string(int32_t value, char* text) {
  // Anything that needs more than the display's 8 characters would lose digits.
  if (value >= 100000000 || value <= -10000000) {
    writeText(text, kHuge);
    return;
  }
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%7d", static_cast<int>(value));
  buffer[kDisplayChars] = 0;
  writeText(text, buffer);
}

void AudioEffect::dB2string(float value, char* text) {
  if (value <= 0.0f) {
    writeText(text, kMinusInfinity);
    return;
  }
  float2string(static_cast<float>(20.0L * std::log10(static_cast<long double>(value))), text);
}

void AudioEffect::Hz2string(float samples, char* text) {
  const float rate = getSampleRate();
  if (samples == 0.0f)
    float2string(0.0f, text);
  else
    float2string(rate / samples, text);
}

void AudioEffect::ms2string(float samples, char* text) {
  float2string(static_cast<float>(samples * 1000.0 / getSampleRate()), text);
}
