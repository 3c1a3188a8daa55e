#pragma once

#include <cstdint>
#include <vector>

#include "resources/draw/Palette.h"

// The image as a .bmp file: 8-bit run-length-compressed (BI_RLE8), bottom-up,
// with the image's palette.
std::vector<uint8_t> encodeRle8Bmp(const IndexedImage& image);

// One row of indices in run-length-compressed 8-bit form, without the
// end-of-line mark.
std::vector<uint8_t> encodeRle8Row(const uint8_t* row, int width);
