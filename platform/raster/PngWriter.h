// Writes a pixel image as an 8-bit RGB PNG file (screenshots for people and tests).
#pragma once

#include "platform/raster/PixelImage.h"

namespace raster {

// False when the file cannot be written or the build has no PNG support.
bool writePng(const PixelImage& image, const char* path);

}  // namespace raster
