// Text for the software backends: faces found by name through fontconfig
// ("Arial" resolves to its metric-compatible stand-in), glyphs rendered by
// FreeType with grey-level anti-aliasing, advances rounded to whole pixels
// and no kerning, as the platform's single-line text drawing does.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Platform.h"
#include "platform/raster/PixelImage.h"

namespace raster {

class TextFace;

// The face for the attributes at their pixel size; never null (without a
// text engine in the build the face has no glyphs and measures 0).
std::shared_ptr<const TextFace> openTextFace(const platform::FontAttributes& attributes);

struct TextMetrics {
    int32_t ascent = 0;   // pixels above the baseline
    int32_t descent = 0;  // pixels below it
    int32_t height() const { return ascent + descent; }
};

TextMetrics textMetrics(const TextFace& face);
int32_t textWidth(const TextFace& face, const char* text);
// The family name and style of the font file the face uses ("" without one).
std::string textFaceDescription(const TextFace& face);
// The pixel size of the em square.
int32_t textPixelSize(const TextFace& face);

// Draws the text with its first cell at x and its baseline at y, blending the
// colour over what is there; returns the pixels touched.
platform::Bounds drawTextRun(PixelImage& image, const platform::Bounds& clip, const TextFace& face,
                             const char* text, int32_t x, int32_t baseline, uint32_t pixel);

}  // namespace raster
