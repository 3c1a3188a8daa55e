#pragma once

#include <cstdint>
#include <vector>

#include "resources/draw/Image.h"

// An image of at most 256 colours: a palette (0x00RRGGBB) and one palette
// index per pixel, top row first.
struct IndexedImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> palette;
  std::vector<uint8_t> indices;
};

// Reduces the image to at most 256 colours. An image with few enough colours
// keeps them all exactly; otherwise the colours in `keep` (when present) and
// any colour covering a large share of the image stay exact, and the rest are
// clustered so that smooth edges and gradients keep their steps. The result
// depends on nothing but the pixels, so it is the same on every run.
IndexedImage quantise(const Image& image, const std::vector<uint32_t>& keep);

// The indexed image with its palette applied, 0x00RRGGBB per pixel.
std::vector<uint32_t> expand(const IndexedImage& image);
