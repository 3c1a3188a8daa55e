// The handle of the loaded module, recorded when the module is attached:
// on Windows the module's HINSTANCE, on Linux the module's load address.
// The GUI toolkit uses it for resources and to name its window class.
#pragma once

extern void* moduleInstance;
