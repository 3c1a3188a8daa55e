// Float-to-integer conversion that never overflows: a value the host hands
// over may be anything, and an out-of-range conversion is undefined.
#pragma once

#include <cstdint>

// Truncates toward zero; NaN gives 0, values beyond the range give its end.
inline int32_t truncateToInt32(double value) {
  if (!(value == value)) return 0;
  if (value >= 2147483647.0) return INT32_MAX;
  if (value <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(value);
}
