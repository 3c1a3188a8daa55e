#include "resources/draw/PortableMath.h"

#include <cmath>

namespace portable {

namespace {

// Taylor series of the sine for |x| <= pi/2; the error stays below 1e-12.
double sinSeries(double x) {
  const double x2 = x * x;
  double term = x, sum = x;
  for (int n = 1; n <= 8; ++n) {
    term = -term * x2 / double((2 * n) * (2 * n + 1));
    sum += term;
  }
  return sum;
}

// Arc tangent for |t| <= 1: two argument halvings bring t below tan(pi/16),
// where the series converges fast.
double atanSmall(double t) {
  for (int i = 0; i < 2; ++i) t = t / (1 + std::sqrt(1 + t * t));
  const double t2 = t * t;
  double term = t, sum = t;
  for (int n = 1; n <= 10; ++n) {
    term = -term * t2;
    sum += term / double(2 * n + 1);
  }
  return 4 * sum;
}

}  // namespace

double sin(double x) {
  x -= 2 * kPi * std::nearbyint(x / (2 * kPi));  // now within [-pi, pi]
  if (x > kPi / 2) x = kPi - x;
  if (x < -kPi / 2) x = -kPi - x;
  return sinSeries(x);
}

double cos(double x) { return sin(x + kPi / 2); }

double atan2(double y, double x) {
  if (x == 0 && y == 0) return 0;
  const double ax = std::fabs(x), ay = std::fabs(y);
  // The angle of (ax, ay) in the first quadrant.
  const double a = ay <= ax ? atanSmall(ay / ax) : kPi / 2 - atanSmall(ax / ay);
  const double q = x >= 0 ? a : kPi - a;
  return y >= 0 ? q : -q;
}

}  // namespace portable
