// A stand-in for the DSP adapter: the plug-in's descriptor with every entry
// a host calls, answering harmlessly and playing silence, so the bundle, its
// validation, the test host and the stages can be built and run before the
// instrument core is wired in. The real adapter replaces this file.
#include "lv2/Ports.h"
#include "lv2/Uris.h"

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <cstring>
#include <new>

namespace {

using namespace parvolino;

// The stages look for this text in parvolino_dsp.so: while it is there, the
// checks that need the instrument's sound say NOT RUN.
[[gnu::used]] const char kStubMarker[] = "PARVOLINO_LV2_DSP_STUB";

struct StubPlugin {
    void* ports[lv2ports::kPortCount] = {};
    LV2_URID sequenceType = 0;
};

LV2_Handle instantiate(const LV2_Descriptor*, double, const char*, const LV2_Feature* const* features)
{
    const LV2_URID_Map* map = nullptr;
    for (const LV2_Feature* const* f = features; f && *f; ++f)
        if (std::strcmp((*f)->URI, LV2_URID__map) == 0)
            map = static_cast<const LV2_URID_Map*>((*f)->data);
    if (map == nullptr)
        return nullptr;
    auto* plugin = new (std::nothrow) StubPlugin;
    if (plugin != nullptr)
        plugin->sequenceType = map->map(map->handle, LV2_ATOM__Sequence);
    return plugin;
}

void connectPort(LV2_Handle handle, uint32_t port, void* data)
{
    if (port < lv2ports::kPortCount)
        static_cast<StubPlugin*>(handle)->ports[port] = data;
}

void activate(LV2_Handle) {}

void run(LV2_Handle handle, uint32_t frames)
{
    auto* plugin = static_cast<StubPlugin*>(handle);
    for (uint32_t port = lv2ports::kOutLeft; port <= lv2ports::kOutRight; ++port)
        if (plugin->ports[port] != nullptr && frames > 0)
            std::memset(plugin->ports[port], 0, frames * sizeof(float));
    // The notify port comes in holding its capacity; it goes back an empty sequence.
    if (auto* notify = static_cast<LV2_Atom_Sequence*>(plugin->ports[lv2ports::kNotify])) {
        notify->atom.type = plugin->sequenceType;
        notify->atom.size = sizeof(LV2_Atom_Sequence_Body);
        notify->body.unit = 0;
        notify->body.pad = 0;
    }
}

void deactivate(LV2_Handle) {}

void cleanup(LV2_Handle handle)
{
    delete static_cast<StubPlugin*>(handle);
}

LV2_Worker_Status work(LV2_Handle, LV2_Worker_Respond_Function, LV2_Worker_Respond_Handle, uint32_t, const void*)
{
    return LV2_WORKER_SUCCESS;
}

LV2_Worker_Status workResponse(LV2_Handle, uint32_t, const void*)
{
    return LV2_WORKER_SUCCESS;
}

LV2_State_Status saveState(LV2_Handle, LV2_State_Store_Function, LV2_State_Handle, uint32_t,
                           const LV2_Feature* const*)
{
    return LV2_STATE_SUCCESS;
}

LV2_State_Status restoreState(LV2_Handle, LV2_State_Retrieve_Function, LV2_State_Handle, uint32_t,
                              const LV2_Feature* const*)
{
    return LV2_STATE_SUCCESS;
}

const void* extensionData(const char* uri)
{
    static const LV2_Worker_Interface worker = {work, workResponse, nullptr};
    static const LV2_State_Interface state = {saveState, restoreState};
    if (std::strcmp(uri, LV2_WORKER__interface) == 0)
        return &worker;
    if (std::strcmp(uri, LV2_STATE__interface) == 0)
        return &state;
    return nullptr;
}

const LV2_Descriptor kDescriptor = {
    lv2uris::kPlugin, instantiate, connectPort, activate, run, deactivate, cleanup, extensionData,
};

}  // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
    return index == 0 ? &kDescriptor : nullptr;
}
