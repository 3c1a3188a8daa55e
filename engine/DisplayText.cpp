#include "engine/DisplayText.h"

#include <cmath>
#include <cstring>

namespace {
constexpr int kDisplayChars = 8;
const char kHuge[] = " Huge!  ";
const char kNotANumber[] = "  nan   ";

// The digit of x: its integer part modulo 10, truncated.
char digitOf(double x) { return static_cast<char>('0' + static_cast<int>(std::fmod(x, 10.0))); }

void writeText(char* text, const char* value) { std::memcpy(text, value, std::strlen(value) + 1); }
}  // namespace

void formatDisplayNumber(float value, char* text) {
  double v = value;
  if (std::isnan(v)) {
    writeText(text, kNotANumber);
    return;
  }
  const bool negative = v < 0;
  int count = negative ? 1 : 0;
  const double limit = negative ? 9999999.0 : 99999999.0;
  if (negative) v = -v;
  if (v > limit) {
    writeText(text, kHuge);
    return;
  }

  // Integer digits, from the right. A number whose digits fill the whole
  // display on their own is shown without the decimal point, never cut.
  char digits[kDisplayChars];
  int numDigits = 0;
  double integ = std::floor(v);
  do {
    digits[numDigits++] = digitOf(integ);
    integ *= 0.1;
  } while (integ >= 1.0 && numDigits < kDisplayChars);
  const bool pointFits = count + numDigits < kDisplayChars;

  int pos = 0;
  if (negative) text[pos++] = '-';
  for (int i = numDigits - 1; i >= 0; --i) text[pos++] = digits[i];
  if (!pointFits) {
    text[pos] = 0;
    return;
  }
  text[pos++] = '.';
  count += numDigits + 1;

  // Fraction, built from the right, truncated and never rounded.
  const int fractionChars = kDisplayChars - count;
  double m = std::fmod(v, 1.0) * std::pow(10.0, fractionChars);
  for (int i = fractionChars - 1; i >= 0; --i) {
    if (m <= 0) {
      text[pos + i] = '0';
    } else {
      text[pos + i] = digitOf(m);
      m *= 0.1;
    }
  }
  text[pos + fractionChars] = 0;
}
