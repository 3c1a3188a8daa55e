// Reads back what a window shows, for comparing it with the headless picture.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// Copies the client area of `window` into 0x00RRGGBB pixels, top row first.
bool captureWindow(HWND window, int& width, int& height, std::vector<uint32_t>& pixels);
