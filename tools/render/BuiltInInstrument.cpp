#include "tools/render/BuiltInInstrument.h"

#include "vst2/GranularPlugin.h"
#include "vst2/PluginFactory.h"

AEffect* builtInInstrument(audioMasterCallback host)
{
    AudioEffect* effect = createEffectInstance(host);
    return effect ? effect->getAeffect() : nullptr;
}

AEffect* classicInstrument(audioMasterCallback host)
{
    // The factory makes the instrument; the setting comes before the host
    // restores a bank, so the bank's sample is read the classic way.
    AudioEffect* effect = createEffectInstance(host);
    if (effect == nullptr)
        return nullptr;
    static_cast<GranularPlugin*>(effect)->instrument().setClassic(true);
    return effect->getAeffect();
}
