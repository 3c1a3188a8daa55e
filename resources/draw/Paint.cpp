#include "resources/draw/Paint.h"
#include "resources/draw/PortableMath.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kPi = 3.14159265358979f;

float length(float x, float y) { return std::sqrt(x * x + y * y); }

float coverage(float distance, float softness) {
  if (softness <= 1) return std::clamp(0.5f - distance, 0.0f, 1.0f);
  const float t = std::clamp(0.5f - distance / softness, 0.0f, 1.0f);
  return t * t * (3 - 2 * t);
}

}  // namespace

namespace field {

Field circle(float cx, float cy, float radius) {
  return [=](float x, float y) { return length(x - cx, y - cy) - radius; };
}

Field segment(float x0, float y0, float x1, float y1, float halfWidth) {
  return [=](float x, float y) {
    const float dx = x1 - x0, dy = y1 - y0;
    const float lengthSquared = dx * dx + dy * dy;
    float t = lengthSquared > 0 ? ((x - x0) * dx + (y - y0) * dy) / lengthSquared : 0;
    t = std::clamp(t, 0.0f, 1.0f);
    return length(x - (x0 + t * dx), y - (y0 + t * dy)) - halfWidth;
  };
}

Field arc(float cx, float cy, float radius, float startDeg, float sweepDeg, float halfWidth) {
  const float start = startDeg * kPi / 180, sweep = sweepDeg * kPi / 180;
  const float endAngle = start - sweep;
  const float sx = cx + radius * float(portable::cos(start)), sy = cy - radius * float(portable::sin(start));
  const float ex = cx + radius * float(portable::cos(endAngle)), ey = cy - radius * float(portable::sin(endAngle));
  return [=](float x, float y) {
    const float angle = float(portable::atan2(cy - y, x - cx));
    // Clockwise distance from the start angle, 0 .. 2 pi.
    float along = std::fmod(start - angle, 2 * kPi);
    if (along < 0) along += 2 * kPi;
    if (along <= sweep) return std::fabs(length(x - cx, y - cy) - radius) - halfWidth;
    return std::min(length(x - sx, y - sy), length(x - ex, y - ey)) - halfWidth;
  };
}

Field roundedRect(float left, float top, float right, float bottom, float radius) {
  const float cx = (left + right) / 2, cy = (top + bottom) / 2;
  const float hx = (right - left) / 2 - radius, hy = (bottom - top) / 2 - radius;
  return [=](float x, float y) {
    const float qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
    return length(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) - radius;
  };
}

Field outline(Field shape, float halfWidth) {
  return [=](float x, float y) { return std::fabs(shape(x, y)) - halfWidth; };
}

Field inset(Field shape, float amount) {
  return [=](float x, float y) { return shape(x, y) + amount; };
}

Field shifted(Field shape, float dx, float dy) {
  return [=](float x, float y) { return shape(x - dx, y - dy); };
}

}  // namespace field

Shader flat(Rgb c) {
  return [=](float, float) { return c; };
}

Shader vertical(Rgb top, Rgb bottom, float y0, float y1) {
  return [=](float, float y) { return mix(top, bottom, std::clamp((y - y0) / (y1 - y0), 0.0f, 1.0f)); };
}

void paint(Image& image, Box box, const Field& shape, const Shader& shader, float opacity, float softness) {
  const int left = std::max(box.left, 0), top = std::max(box.top, 0);
  const int right = std::min(box.right, image.width), bottom = std::min(box.bottom, image.height);
  // Four shading samples a pixel keep fine surface detail from aliasing.
  static constexpr float kOffsets[4][2] = {{0.375f, 0.125f}, {0.875f, 0.375f}, {0.625f, 0.875f}, {0.125f, 0.625f}};
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) {
      const float cover = coverage(shape(x + 0.5f, y + 0.5f), softness) * opacity;
      if (cover <= 0) continue;
      Rgb sum;
      for (const auto& o : kOffsets) {
        const Rgb c = shader(x + o[0], y + o[1]);
        sum.r += c.r, sum.g += c.g, sum.b += c.b;
      }
      image.blend(x, y, scaled(sum, 0.25f), cover);
    }
}
