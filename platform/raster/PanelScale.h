// How big the panel is shown on a high-resolution screen. The toolkit always
// draws at its own size; the backends enlarge the picture on the way to the
// window and shrink mouse positions on the way back, so every pixel rule of
// the toolkit stays as it is. Scales are in percent: 100, 150 or 200.
#pragma once

#include <cstdint>

#include "platform/Platform.h"
#include "platform/raster/PixelImage.h"

namespace panelscale {

constexpr int32_t unscaled = 100;

// The screen's dots per inch against the usual 96, rounded to 1, 1.5 or 2.
// Unknown (0 or less) means unscaled.
int32_t fromDpi(double dpi);
// An integer factor as desktops set it (1, 2, ...), capped at 2.
int32_t fromFactor(long factor);
// The resource text of an X server (lines "name:\tvalue"): the Xft.dpi entry's
// scale, or 0 when the text has none.
int32_t fromResources(const char* resources);

// Panel length to window length (sizes; rounded up so nothing is cut off).
int32_t toWindow(int32_t panel, int32_t scale);
// Window coordinate to the panel pixel it shows (rounded down, also when negative).
int32_t toPanel(int32_t window, int32_t scale);
// An area of the panel to the window area that shows it, and back (the
// smallest panel area whose picture covers the window area).
platform::Bounds toWindowArea(const platform::Bounds& panel, int32_t scale);
platform::Bounds toPanelArea(const platform::Bounds& window, int32_t scale);

// The window area's pixels (nearest panel pixel for each) into out, row by
// row, out holding the area's width times height pixels.
void enlarge(const raster::PixelImage& panel, const platform::Bounds& windowArea, int32_t scale, uint32_t* out);

}  // namespace panelscale
