#pragma once

#include <cstddef>
#include <vector>

// A colour with channels 0..255 kept as floats while the artwork is painted,
// so that layered shading is rounded only once, at the end.
struct Rgb {
  float r = 0, g = 0, b = 0;
};

Rgb mix(Rgb a, Rgb b, float t);
Rgb scaled(Rgb c, float factor);

struct Image {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;

  Image(int w, int h, Rgb fill);
  Rgb& at(int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
  const Rgb& at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
  // Lays `c` over the pixel with the given opacity; outside the image nothing happens.
  void blend(int x, int y, Rgb c, float alpha);
  // Copies `source` with its top left corner at (x, y).
  void paste(const Image& source, int x, int y);
};

// The colour rounded to 8 bits a channel, as 0x00RRGGBB.
unsigned packed(Rgb c);
