// Reading a window's pixels back from the X server, as a person would see
// them, and writing them to a PNG file.
#pragma once

#include <X11/Xlib.h>

#include <string>

#include "platform/raster/PixelImage.h"

// The window's contents (0x00RRGGBB). The window must be mapped and not
// covered; false when it cannot be read.
bool captureWindow(Display* display, Window window, raster::PixelImage& image);

bool saveWindowPng(Display* display, Window window, const std::string& path);
