// The value-to-text formatters parameter displays use.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "tests/vst2/SpyEffect.h"

namespace {
// Formats into a buffer full of garbage, as hosts hand them over, and checks
// the text is terminated within 9 bytes.
template <typename F>
std::string format(F&& formatter) {
  char buffer[32];
  std::memset(buffer, '#', sizeof buffer);
  formatter(buffer);
  const size_t length = strnlen(buffer, sizeof buffer);
  EXPECT_LE(length, 8u) << std::string(buffer, length);
  EXPECT_EQ(buffer[9], '#') << "wrote past the 8 characters and the zero";
  return std::string(buffer, length);
}
}  // namespace

TEST(Formatters, FloatToString) {
  SpyEffect fx;
  auto f = [&fx](float v) { return format([&](char* t) { fx.float2string(v, t); }); };
  EXPECT_EQ(f(0.0f), "0.000000");
  EXPECT_EQ(f(0.5f), "0.500000");
  EXPECT_EQ(f(1.5f), "1.500000");
  EXPECT_EQ(f(10.5f), "10.50000");
  EXPECT_EQ(f(4100.0f), "4100.000");
  EXPECT_EQ(f(1234567.0f), "1234567.");
  EXPECT_EQ(f(-0.5f), "-0.50000");
  EXPECT_EQ(f(0.7f), "0.699999");
  EXPECT_EQ(f(4.1f), "4.099999");
  EXPECT_EQ(f(-123456.0f), "-123456.");
  EXPECT_EQ(f(-0.0f), "0.000000");
  // Digits that fill the display on their own are shown whole, never cut.
  EXPECT_EQ(f(12345678.0f), "12345678");
  EXPECT_EQ(f(-1234567.0f), "-1234567");
  EXPECT_EQ(f(99999992.0f), "99999992");
  // Beyond the display, and values that are not numbers, still write a text.
  EXPECT_EQ(f(100000000.0f), " Huge!  ");
  EXPECT_EQ(f(-10000000.0f), " Huge!  ");
  EXPECT_EQ(f(std::numeric_limits<float>::infinity()), " Huge!  ");
  EXPECT_EQ(f(-std::numeric_limits<float>::infinity()), " Huge!  ");
  EXPECT_EQ(f(std::nanf("")), "  nan   ");
}

TEST(Formatters, LongToString) {
  SpyEffect fx;
  auto f = [&fx](int32_t v) { return format([&](char* t) { fx.long2string(v, t); }); };
  EXPECT_EQ(f(42), "     42");
  EXPECT_EQ(f(0), "      0");
  EXPECT_EQ(f(-42), "    -42");
  EXPECT_EQ(f(99999999), "99999999");
  EXPECT_EQ(f(100000000), " Huge!  ");
  EXPECT_EQ(f(INT32_MAX), " Huge!  ");
  EXPECT_EQ(f(-9999999), "-9999999");
  // Would need more than 8 characters: not shown with its digits cut off.
  EXPECT_EQ(f(-10000000), " Huge!  ");
  EXPECT_EQ(f(INT32_MIN), " Huge!  ");
}

TEST(Formatters, DecibelsHertzAndMilliseconds) {
  SpyEffect fx;
  auto dB = [&fx](float v) { return format([&](char* t) { fx.dB2string(v, t); }); };
  EXPECT_EQ(dB(0.0f), "  -oo   ");
  EXPECT_EQ(dB(-1.0f), "  -oo   ");
  EXPECT_EQ(dB(1.0f), "0.000000");
  EXPECT_EQ(dB(10.0f), "20.00000");
  EXPECT_EQ(dB(100.0f), "40.00000");
  EXPECT_EQ(dB(0.5f), "-6.02059");

  auto hz = [&fx](float v) { return format([&](char* t) { fx.Hz2string(v, t); }); };
  EXPECT_EQ(hz(0.0f), "0.000000");
  EXPECT_EQ(hz(100.0f), "441.0000");

  auto ms = [&fx](float v) { return format([&](char* t) { fx.ms2string(v, t); }); };
  EXPECT_EQ(ms(44100.0f), "1000.000");
  EXPECT_EQ(ms(441.0f), "10.00000");
  fx.setSampleRate(0.0f);  // no guard against a zero rate, but the text is still defined
  EXPECT_EQ(ms(441.0f), " Huge!  ");
  EXPECT_EQ(ms(0.0f), "  nan   ");
}

TEST(Formatters, FloatFormattersGoThroughTheVirtualFloatToString) {
  struct Bracketing : SpyEffect {
    void float2string(float, char* text) override { std::strcpy(text, "[x]"); }
    float getSampleRate() override { return 1000.0f; }
  } fx;
  char text[16];
  fx.dB2string(2.0f, text);
  EXPECT_STREQ(text, "[x]");
  fx.Hz2string(3.0f, text);
  EXPECT_STREQ(text, "[x]");
  fx.ms2string(3.0f, text);
  EXPECT_STREQ(text, "[x]");
}
