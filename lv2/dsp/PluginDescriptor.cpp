// The DSP module's entry point: the plug-in's descriptor and its state and
// worker interfaces, each call handed to the instance.
#include "lv2/Uris.h"
#include "lv2/dsp/Lv2Plugin.h"

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/worker/worker.h>

#include <cstring>

namespace {

Lv2Plugin* pluginOf(LV2_Handle handle)
{
    return static_cast<Lv2Plugin*>(handle);
}

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features)
{
    return Lv2Plugin::create(rate, features);
}

void connectPort(LV2_Handle handle, uint32_t port, void* data)
{
    pluginOf(handle)->connectPort(port, data);
}

void activate(LV2_Handle handle)
{
    pluginOf(handle)->activate();
}

void run(LV2_Handle handle, uint32_t frames)
{
    pluginOf(handle)->run(frames);
}

void deactivate(LV2_Handle) {}

void cleanup(LV2_Handle handle)
{
    delete pluginOf(handle);
}

LV2_Worker_Status work(LV2_Handle handle, LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle respondHandle,
                       uint32_t size, const void* data)
{
    return pluginOf(handle)->work(respond, respondHandle, size, data);
}

LV2_Worker_Status workResponse(LV2_Handle handle, uint32_t size, const void* data)
{
    return pluginOf(handle)->workResponse(size, data);
}

LV2_State_Status save(LV2_Handle handle, LV2_State_Store_Function store, LV2_State_Handle state, uint32_t,
                      const LV2_Feature* const* features)
{
    return pluginOf(handle)->save(store, state, features);
}

LV2_State_Status restore(LV2_Handle handle, LV2_State_Retrieve_Function retrieve, LV2_State_Handle state, uint32_t,
                         const LV2_Feature* const* features)
{
    return pluginOf(handle)->restore(retrieve, state, features);
}

const void* extensionData(const char* uri)
{
    static const LV2_Worker_Interface worker = {work, workResponse, nullptr};
    static const LV2_State_Interface state = {save, restore};
    if (std::strcmp(uri, LV2_WORKER__interface) == 0)
        return &worker;
    if (std::strcmp(uri, LV2_STATE__interface) == 0)
        return &state;
    return nullptr;
}

const LV2_Descriptor kDescriptor = {
    parvolino::lv2uris::kPlugin, instantiate, connectPort, activate, run, deactivate, cleanup, extensionData,
};

}  // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
    return index == 0 ? &kDescriptor : nullptr;
}
