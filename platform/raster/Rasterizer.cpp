#include "platform/raster/Rasterizer.h"

#include <algorithm>
#include <cstdlib>

namespace raster {

Bounds intersect(const Bounds& a, const Bounds& b) {
    return Bounds{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                  std::min(a.bottom, b.bottom)};
}

bool isEmpty(const Bounds& box) {
    return box.right <= box.left || box.bottom <= box.top;
}

Bounds unite(const Bounds& a, const Bounds& b) {
    if (isEmpty(a))
        return b;
    if (isEmpty(b))
        return a;
    return Bounds{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                  std::max(a.bottom, b.bottom)};
}

Bounds imageBounds(const PixelImage& image) {
    return Bounds{0, 0, image.width, image.height};
}

Bounds fillArea(PixelImage& image, const Bounds& clip, const Bounds& area, uint32_t pixel) {
    const Bounds box = intersect(intersect(area, clip), imageBounds(image));
    if (isEmpty(box))
        return Bounds{};
    for (int32_t y = box.top; y < box.bottom; ++y)
        std::fill_n(&image.at(box.left, y), box.right - box.left, pixel);
    return box;
}

Bounds drawLine(PixelImage& image, const Bounds& clip, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                int32_t width, uint32_t pixel) {
    const Bounds box = intersect(clip, imageBounds(image));
    const int32_t size = width > 1 ? width : 1;
    const int32_t before = size / 2;
    Bounds touched{};
    auto plot = [&](int32_t x, int32_t y) {
        touched = unite(touched, fillArea(image, box, Bounds{x - before, y - before, x - before + size,
                                                             y - before + size}, pixel));
    };

    // Bresenham, stepping along the major axis; the last point is not drawn.
    const int32_t dx = std::abs(x1 - x0);
    const int32_t dy = std::abs(y1 - y0);
    const int32_t sx = x0 < x1 ? 1 : -1;
    const int32_t sy = y0 < y1 ? 1 : -1;
    int32_t x = x0;
    int32_t y = y0;
    if (dx >= dy) {
        int32_t error = 2 * dy - dx;
        for (int32_t i = 0; i < dx; ++i) {
            plot(x, y);
            if (error > 0) {
                y += sy;
                error -= 2 * dx;
            }
            error += 2 * dy;
            x += sx;
        }
    } else {
        int32_t error = 2 * dx - dy;
        for (int32_t i = 0; i < dy; ++i) {
            plot(x, y);
            if (error > 0) {
                x += sx;
                error -= 2 * dy;
            }
            error += 2 * dx;
            y += sy;
        }
    }
    return touched;
}

Bounds copyPixels(PixelImage& destination, const Bounds& clip, int32_t x, int32_t y, int32_t width,
                  int32_t height, const PixelImage& source, int32_t sourceX, int32_t sourceY) {
    if (width <= 0 || height <= 0)
        return Bounds{};
    if (&source == &destination) {
        // Overlapping blocks of one image copy as if through a buffer.
        const PixelImage copy = source;
        return copyPixels(destination, clip, x, y, width, height, copy, sourceX, sourceY);
    }
    // The source image, moved to destination coordinates, limits the copy too.
    const Bounds fromSource{x - sourceX, y - sourceY, x - sourceX + source.width, y - sourceY + source.height};
    const Bounds box = intersect(intersect(intersect(Bounds{x, y, x + width, y + height}, clip), fromSource),
                                 imageBounds(destination));
    if (isEmpty(box))
        return Bounds{};
    for (int32_t row = box.top; row < box.bottom; ++row) {
        const uint32_t* from = &source.at(box.left - x + sourceX, row - y + sourceY);
        std::copy_n(from, box.right - box.left, &destination.at(box.left, row));
    }
    return box;
}

uint32_t blend(uint32_t under, uint32_t over, uint32_t coverage) {
    if (coverage >= 255)
        return over;
    if (coverage == 0)
        return under;
    uint32_t result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const uint32_t u = (under >> shift) & 0xFFu;
        const uint32_t o = (over >> shift) & 0xFFu;
        const uint32_t mixed = (u * (255 - coverage) + o * coverage + 127) / 255;
        result |= mixed << shift;
    }
    return result;
}

}  // namespace raster
