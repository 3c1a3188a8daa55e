#include <new>

#include "vst2/PluginFactory.h"
#include "vst2/testfx/TestEffect.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
  return new (std::nothrow) TestEffect(audioMaster);
}
