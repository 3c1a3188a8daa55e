// A 32-bit pixel image: 0x00RRGGBB per pixel, top row first. The software
// backends draw into these; the X server takes the same layout as it is.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Platform.h"

namespace raster {

struct PixelImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;

    void resize(int32_t newWidth, int32_t newHeight, uint32_t fill) {
        width = newWidth > 0 ? newWidth : 0;
        height = newHeight > 0 ? newHeight : 0;
        pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), fill);
    }
    bool contains(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    const uint32_t& at(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    uint32_t& at(int32_t x, int32_t y) { return pixels[static_cast<size_t>(y) * width + x]; }
};

constexpr uint32_t pixelFromColorRef(platform::ColorRef color) {
    return ((color & 0xFFu) << 16) | (color & 0xFF00u) | ((color >> 16) & 0xFFu);
}

constexpr platform::ColorRef colorRefFromPixel(uint32_t pixel) {
    return ((pixel >> 16) & 0xFFu) | (pixel & 0xFF00u) | ((pixel & 0xFFu) << 16);
}

}  // namespace raster
