#include "tools/x11host/WindowCapture.h"

#include <X11/Xutil.h>

#include <bit>

#include "platform/raster/PngWriter.h"

namespace {

// One channel of a pixel value scaled back to 8 bits.
uint32_t channel(unsigned long pixel, unsigned long mask) {
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    const unsigned long value = (pixel & mask) >> shift;
    return static_cast<uint32_t>(bits >= 8 ? value >> (bits - 8) : value << (8 - bits));
}

}  // namespace

bool captureWindow(Display* display, Window window, raster::PixelImage& image) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable)
        return false;
    XImage* x = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                          static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (!x)
        return false;
    const Visual* visual = attributes.visual;
    image.resize(attributes.width, attributes.height, 0);
    for (int y = 0; y < attributes.height; ++y) {
        for (int column = 0; column < attributes.width; ++column) {
            const unsigned long pixel = XGetPixel(x, column, y);
            image.at(column, y) = (channel(pixel, visual->red_mask) << 16) | (channel(pixel, visual->green_mask) << 8) |
                                  channel(pixel, visual->blue_mask);
        }
    }
    XDestroyImage(x);
    return true;
}

bool saveWindowPng(Display* display, Window window, const std::string& path) {
    raster::PixelImage image;
    return captureWindow(display, window, image) && raster::writePng(image, path.c_str());
}
