#include "resources/draw/Image.h"

#include <algorithm>
#include <cmath>

Rgb mix(Rgb a, Rgb b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb scaled(Rgb c, float factor) { return {c.r * factor, c.g * factor, c.b * factor}; }

Image::Image(int w, int h, Rgb fill) : width(w), height(h), pixels(size_t(w) * size_t(h), fill) {}

void Image::blend(int x, int y, Rgb c, float alpha) {
  if (x < 0 || y < 0 || x >= width || y >= height || alpha <= 0) return;
  Rgb& p = at(x, y);
  p = mix(p, c, std::min(alpha, 1.0f));
}

void Image::paste(const Image& source, int x, int y) {
  for (int sy = 0; sy < source.height; ++sy)
    for (int sx = 0; sx < source.width; ++sx) {
      const int dx = x + sx, dy = y + sy;
      if (dx >= 0 && dy >= 0 && dx < width && dy < height) at(dx, dy) = source.at(sx, sy);
    }
}

unsigned packed(Rgb c) {
  auto channel = [](float v) { return unsigned(std::lround(std::clamp(v, 0.0f, 255.0f))); };
  return channel(c.r) << 16 | channel(c.g) << 8 | channel(c.b);
}
