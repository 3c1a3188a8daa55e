#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct DecodedImage {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels; /* 0x00RRGGBB, top row first */
};

// Reads a device-independent bitmap, either a whole .bmp file (starting with
// "BM") or a packed one (info header, palette, bits) as a resource section
// keeps it. Understands 8-bit run-length-compressed, 8-bit and 24-bit
// uncompressed images, stored bottom-up or top-down. Anything malformed or
// truncated gives false and an empty image; the input is never read past
// `size` and the output never written past its end.
bool decodeBmp(const unsigned char* bytes, size_t size, DecodedImage& out);
