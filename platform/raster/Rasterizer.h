// Pixel primitives with the platform's rules: lines leave out their end
// point, fills cover right- and bottom-exclusive areas, block copies move
// pixels unchanged. Everything is clipped to a box and to the image.
#pragma once

#include <cstdint>

#include "platform/Platform.h"
#include "platform/raster/PixelImage.h"

namespace raster {

using platform::Bounds;

Bounds intersect(const Bounds& a, const Bounds& b);
Bounds unite(const Bounds& a, const Bounds& b);  // an empty box adds nothing
bool isEmpty(const Bounds& box);
Bounds imageBounds(const PixelImage& image);

// Fills the area (right and bottom exclusive); returns the pixels touched.
Bounds fillArea(PixelImage& image, const Bounds& clip, const Bounds& area, uint32_t pixel);

// A line from (x0, y0) towards (x1, y1) without the end point's pixel. A pen
// wider than one pixel paints a width x width square centred on each point.
Bounds drawLine(PixelImage& image, const Bounds& clip, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                int32_t width, uint32_t pixel);

// Copies width x height pixels from (sourceX, sourceY) of the source to
// (x, y) of the destination; pixels whose source lies outside the source
// image are left alone.
Bounds copyPixels(PixelImage& destination, const Bounds& clip, int32_t x, int32_t y, int32_t width,
                  int32_t height, const PixelImage& source, int32_t sourceX, int32_t sourceY);

// Mixes colour over the pixel with coverage 0 .. 255.
uint32_t blend(uint32_t under, uint32_t over, uint32_t coverage);

}  // namespace raster
