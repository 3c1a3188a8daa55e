#include "host/EffectBridge.h"

#include "host/AudioEffect.h"

namespace {
AudioEffect* objectOf(AEffect* effect) { return static_cast<AudioEffect*>(effect->object); }
}  // namespace

VstIntPtr dispatchEffectClass(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr value,
                              void* ptr, float opt) {
  AudioEffect* object = objectOf(effect);
  if (opcode == effClose) {
    object->dispatcher(opcode, index, value, ptr, opt);
    delete object;
    return 1;
  }
  return object->dispatcher(opcode, index, value, ptr, opt);
}

float getParameterClass(AEffect* effect, int32_t index) { return objectOf(effect)->getParameter(index); }

void setParameterClass(AEffect* effect, int32_t index, float value) {
  objectOf(effect)->setParameter(index, value);
}

void processClass(AEffect* effect, float** inputs, float** outputs, int32_t sampleFrames) {
  objectOf(effect)->process(inputs, outputs, sampleFrames);
}

void processClassReplacing(AEffect* effect, float** inputs, float** outputs, int32_t sampleFrames) {
  objectOf(effect)->processReplacing(inputs, outputs, sampleFrames);
}
