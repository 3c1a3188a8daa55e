#pragma once

// Sine, cosine and arc tangent built only from operations that IEEE 754
// rounds exactly (+ - * / sqrt). The system's math library may pick
// different code paths on different processors, and a last-bit difference
// could change a palette and so the committed files; these give the same
// bits everywhere.
namespace portable {

constexpr double kPi = 3.14159265358979323846;

double sin(double x);
double cos(double x);
double atan2(double y, double x);

}  // namespace portable
