// parvolino-headless-panel OUT.png: the instrument's panel as the headless
// backend draws it, opened the way the Windows test host opens it (44.1 kHz,
// no sample, default program), for comparing with the capture under Wine.
#include <cstdio>

#include "host/AudioEffect.h"
#include "host/ModuleInstance.h"
#include "host/PluginFactory.h"
#include "platform/headless/HeadlessControl.h"

namespace {

VstIntPtr quietHost(AEffect*, int32_t opcode, int32_t, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: parvolino-headless-panel OUT.png\n");
        return 2;
    }
    if (!moduleInstance)
        moduleInstance = reinterpret_cast<void*>(0x10000000);
    AudioEffect* effect = createEffectInstance(quietHost);
    if (!effect)
        return 1;
    AEffect* record = effect->getAeffect();
    auto dispatch = [&](int32_t opcode, VstIntPtr value, void* ptr, float opt) {
        return record->dispatcher(record, opcode, 0, value, ptr, opt);
    };
    dispatch(effOpen, 0, nullptr, 0.0f);
    dispatch(effSetSampleRate, 0, nullptr, 44100.0f);
    dispatch(effSetBlockSize, 512, nullptr, 0.0f);
    dispatch(effMainsChanged, 1, nullptr, 0.0f);
    platform::WindowHandle host = headless::createHostWindow(40, 40, 400, 200);
    dispatch(effEditOpen, 0, host, 0.0f);
    headless::paintAll();
    dispatch(effEditIdle, 0, nullptr, 0.0f);
    std::vector<platform::WindowHandle> panel = headless::childWindows(host);
    bool ok = !panel.empty() && headless::saveWindowPng(panel.front(), argv[1]);
    dispatch(effEditClose, 0, nullptr, 0.0f);
    dispatch(effMainsChanged, 0, nullptr, 0.0f);
    dispatch(effClose, 0, nullptr, 0.0f);
    if (!ok)
        std::fprintf(stderr, "the panel could not be drawn to %s\n", argv[1]);
    return ok ? 0 : 1;
}
