// The one window class all frames of the module share, counted by use: the
// first frame whose window is made registers it, the last one gone
// unregisters it. Its name is "Plugin" and the module handle's low 32 bits
// as eight lowercase hexadecimal digits.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

// Counts a user; registers the class for the first. Always true.
bool registerWindowClass();
// Drops a user; unregisters the class with the last.
void unregisterWindowClass();
int32_t getWindowClassUseCount();
// The class name for the current module handle.
const char* getWindowClassName();

// Paint and button-down messages go to the window's frame; everything else,
// and every message of a window without a frame, gets default handling.
intptr_t PARVOLINO_WINDOW_CALLBACK windowProcedure(platform::WindowHandle window, uint32_t message, uintptr_t wParam,
                                                   intptr_t lParam);
