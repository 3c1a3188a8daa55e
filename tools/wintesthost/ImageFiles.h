// The two files the Windows test host writes: a 32-bit float stereo WAV and
// a 24-bit BMP of captured pixels. Both are plain little-endian layouts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Interleaves left and right into a WAVE_FORMAT_IEEE_FLOAT file.
bool writeFloatWav(const std::string& path, const std::vector<float>& left,
                   const std::vector<float>& right, uint32_t rate);

// Pixels are 0x00RRGGBB, top row first; the file is stored bottom-up.
bool writeBmp24(const std::string& path, int width, int height, const std::vector<uint32_t>& pixels);
