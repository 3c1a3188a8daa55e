#include "host/ModuleInstance.h"

// Written by the module's attach routine (see PluginEntry.cpp).
void* moduleInstance = nullptr;
