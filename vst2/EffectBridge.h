// The five plain functions a host calls through the record; each finds the
// effect object in the record's `object` field and makes a virtual call.
#pragma once

#include "vst2/VstInterface.h"

// effClose runs the effect's close, then deletes the object and answers 1;
// the record is gone after that call.
VstIntPtr dispatchEffectClass(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr value,
                              void* ptr, float opt);
float getParameterClass(AEffect* effect, int32_t index);
void setParameterClass(AEffect* effect, int32_t index, float value);
void processClass(AEffect* effect, float** inputs, float** outputs, int32_t sampleFrames);
void processClassReplacing(AEffect* effect, float** inputs, float** outputs, int32_t sampleFrames);
