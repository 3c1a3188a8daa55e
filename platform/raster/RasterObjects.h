// The drawing half of the platform interface for software backends: pens,
// brushes, fonts, images and surfaces drawing into pixel images. A backend
// that links this library creates surfaces over its windows' images and
// defines only the window, input, time and dialog calls itself.
//
// Like the platform it stands in for, every call checks its handles: a
// handle that is not alive makes the call fail and is counted, so tests can
// prove that nothing used a deleted object.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/raster/PixelImage.h"

namespace raster {

// A surface drawing into the image, confined to clip. The image must outlive it.
platform::SurfaceHandle createTargetSurface(PixelImage* target, const platform::Bounds& clip);
// Frees a surface made by createTargetSurface; its objects are no longer current anywhere.
void destroyTargetSurface(platform::SurfaceHandle surface);
// The area drawn since the last call (empty if none); a backend that shows
// the image elsewhere copies just that.
platform::Bounds takeDamage(platform::SurfaceHandle surface);

// An image of the given pixels (0x00RRGGBB, top row first; missing pixels black).
platform::ImageHandle createImage(int32_t width, int32_t height, const std::vector<uint32_t>& pixels);
// The pixels of a live image, or null.
const PixelImage* imagePixels(platform::ImageHandle image);
// The module's embedded artwork by resource number, decoded; null when the
// module carries none with that number.
platform::ImageHandle loadEmbeddedImage(int32_t resourceId);

// What tests look at.
struct LiveObjects {
    int32_t pens = 0;
    int32_t brushes = 0;
    int32_t fonts = 0;
    int32_t images = 0;
    int32_t surfaces = 0;
};
LiveObjects liveObjects();
// Calls that were given a handle that is not alive (deleted, or never made here).
int32_t invalidHandleUses();
// The next count brush creations fail, as they may on a real platform.
void failBrushCreations(int32_t count);

bool penDetails(platform::PenHandle pen, int32_t& width, platform::ColorRef& color);
bool brushColor(platform::BrushHandle brush, platform::ColorRef& color);
bool fontDetails(platform::FontHandle font, platform::FontAttributes& attributes);
// The family and style of the font file a font draws with.
std::string fontFaceDescription(platform::FontHandle font);

struct SurfaceState {
    int32_t backgroundMode = 0;
    platform::ColorRef backgroundColor = 0;
    platform::ColorRef textColor = 0;
    int32_t x = 0;  // current position
    int32_t y = 0;
};
bool surfaceState(platform::SurfaceHandle surface, SurfaceState& state);
// Whether the object is one of the built-in ones a new surface starts with.
bool isBuiltInObject(const void* handle);

// Frees every object still alive and clears the counters (between tests).
void resetObjects();

}  // namespace raster
