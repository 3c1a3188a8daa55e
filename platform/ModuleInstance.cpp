#include "platform/ModuleInstance.h"

// Written by the module's attach routine (each plug-in format's entry point).
void* moduleInstance = nullptr;
