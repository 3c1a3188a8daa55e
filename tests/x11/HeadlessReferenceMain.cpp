// parvolino-x11-reference BANK PROGRAM OUT.png: the instrument's panel as the
// headless backend draws it for a restored program bank and current program,
// the state the X11 test host reports. The end-to-end stage compares it with
// what the X server showed.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "vst2/AudioEffect.h"
#include "platform/ModuleInstance.h"
#include "vst2/PluginFactory.h"
#include "platform/Platform.h"
#include "platform/headless/HeadlessControl.h"

namespace {

VstIntPtr quietHost(AEffect*, int32_t opcode, int32_t, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: parvolino-x11-reference BANK PROGRAM OUT.png\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<char> bank{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (bank.empty()) {
        std::fprintf(stderr, "%s: no program bank\n", argv[1]);
        return 2;
    }
    if (!moduleInstance)
        moduleInstance = reinterpret_cast<void*>(0x10000000);
    AudioEffect* effect = createEffectInstance(quietHost);
    if (!effect)
        return 1;
    AEffect* record = effect->getAeffect();
    auto dispatch = [&](int32_t opcode, VstIntPtr value, void* ptr, float opt = 0.0f) {
        return record->dispatcher(record, opcode, 0, value, ptr, opt);
    };
    dispatch(effOpen, 0, nullptr);
    dispatch(effSetSampleRate, 0, nullptr, 44100.0f);
    dispatch(effSetBlockSize, 512, nullptr);
    dispatch(effSetChunk, static_cast<VstIntPtr>(bank.size()), bank.data());
    dispatch(effSetProgram, std::atoi(argv[2]), nullptr);
    dispatch(effMainsChanged, 1, nullptr);

    platform::WindowHandle host = headless::createHostWindow(0, 0, 400, 290);
    dispatch(effEditOpen, 0, host);
    headless::paintAll();
    dispatch(effEditIdle, 0, nullptr);
    const std::vector<platform::WindowHandle> panels = headless::childWindows(host);
    const bool written = !panels.empty() && headless::saveWindowPng(panels.front(), argv[3]);
    dispatch(effEditClose, 0, nullptr);
    platform::destroyWindow(host);
    dispatch(effMainsChanged, 0, nullptr);
    dispatch(effClose, 0, nullptr);
    if (!written)
        std::fprintf(stderr, "%s: the panel could not be drawn\n", argv[3]);
    return written ? 0 : 1;
}
