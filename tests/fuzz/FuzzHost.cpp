#include "tests/fuzz/FuzzHost.h"

#include "vst2/PluginFactory.h"

namespace fuzz {
namespace {

VstIntPtr quietHost(AEffect*, int32_t opcode, int32_t, VstIntPtr, void*, float)
{
    switch (opcode) {
    case audioMasterVersion:
        return 2400;
    default:
        return 0;
    }
}

} // namespace

AEffect* openEffect()
{
    AudioEffect* object = createEffectInstance(quietHost);
    if (object == nullptr)
        return nullptr;
    AEffect* effect = object->getAeffect();
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    return effect;
}

void closeEffect(AEffect* effect)
{
    if (effect != nullptr)
        effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
}

} // namespace fuzz
