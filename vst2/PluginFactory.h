// The one function a plug-in supplies: main creates every instance through it.
#pragma once

#include "vst2/VstInterface.h"

class AudioEffect;

// Creates and constructs the plug-in's effect object; null on failure.
AudioEffect* createEffectInstance(audioMasterCallback audioMaster);
