#include "vst2/PluginFactory.h"

#include "vst2/GranularPlugin.h"

#include <new>

AudioEffect* createEffectInstance(audioMasterCallback audioMaster)
{
    return new (std::nothrow) GranularPlugin(audioMaster);
}
