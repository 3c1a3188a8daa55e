#include "host/PluginFactory.h"

#include "engine/GranularEngine.h"

#include <new>

AudioEffect* createEffectInstance(audioMasterCallback audioMaster)
{
    return new (std::nothrow) GranularEngine(audioMaster);
}
