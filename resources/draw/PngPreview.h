#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes 0x00RRGGBB pixels, top row first, as an RGB PNG file for looking at,
// each pixel blown up to a square of `scale` pixels.
bool writePng(const std::string& path, int width, int height, const std::vector<uint32_t>& pixels, int scale = 1);
