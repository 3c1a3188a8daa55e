#include <new>

#include "host/PluginFactory.h"
#include "host/testfx/TestEffect.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
  return new (std::nothrow) TestEffect(audioMaster);
}
