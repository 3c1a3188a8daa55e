// Panels enlarged for high-resolution screens. A scaled window keeps an
// image at the toolkit's size, which the toolkit draws into; the image is
// stretched onto the window, and mouse positions are shrunk on the way back.
// Unscaled windows never come here.
#pragma once

#include <windows.h>

#include "platform/Platform.h"

namespace win32scale {

// The panel scale (percent) the screen asks for windows under parent.
int32_t screenScale(HWND parent);
// Makes a scaled window of the toolkit's size width x height (null on failure).
HWND createScaledWindow(const platform::WindowCreation& creation, int32_t scale);
// The image surface of a scaled window, or null when the window is unscaled.
HDC panelSurface(HWND window);
// Stretches the panel image onto the given surface of the window (the
// window's own when target is null).
void showPanel(HWND window, HDC target);
// Whether the surface is a scaled window's image surface.
bool isPanelSurface(HDC surface);
// The toolkit's size of a scaled window; false when unscaled.
bool panelSize(HWND window, int32_t& width, int32_t& height);
// A cursor position as the toolkit sees it (see the X11 backend's twin).
void toPanelScreenPosition(int32_t& x, int32_t& y);

}  // namespace win32scale
