#include "vst2/EffectBridge.h"

#include "vst2/AudioEffect.h"

// A host is C: an exception that reached it would unwind through frames that
// know nothing of it and end the host. Every call stops here; the plug-in's
// own code turns the failures a user can meet into messages before this.
namespace {
AudioEffect* objectOf(AEffect* effect) { return static_cast<AudioEffect*>(effect->object); }
}  // namespace

VstIntPtr dispatchEffectClass(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr value,
                              void* ptr, float opt) {
  AudioEffect* object = objectOf(effect);
  if (opcode == effClose) {
    try {
      object->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
    }
    delete object;
    return 1;
  }
  try {
    return object->dispatcher(opcode, index, value, ptr, opt);
  } catch (...) {
    return 0;
  }
}

float getParameterClass(AEffect* effect, int32_t index) {
  try {
    return objectOf(effect)->getParameter(index);
  } catch (...) {
    return 0.0f;
  }
}

void setParameterClass(AEffect* effect, int32_t index, float value) {
  try {
    objectOf(effect)->setParameter(index, value);
  } catch (...) {
  }
}

void processClass(AEffect* effect, float** inputs, float** outputs, int32_t sampleFrames) {
  try {
    objectOf(effect)->process(inputs, outputs, sampleFrames);
  } catch (...) {
  }
}

void processClassReplacing(AEffect* effect, float** inputs, float** outputs, int32_t sampleFrames) {
  try {
    objectOf(effect)->processReplacing(inputs, outputs, sampleFrames);
  } catch (...) {
  }
}
