// The module's entry points: the attach routine that records the module
// handle, and main, which creates one effect instance per call. Compiled into
// every module; the effect itself comes from createEffectInstance.
#include <atomic>
#include <new>

#include "vst2/AudioEffect.h"
#include "platform/ModuleInstance.h"
#include "vst2/PluginFactory.h"

#if defined(_WIN32)
#include <windows.h>
#define PARVOLINO_EXPORT
#else
#include <dlfcn.h>
#define PARVOLINO_EXPORT __attribute__((visibility("default")))
#endif

namespace {
// The most recently created effect object (null when creation failed).
// Nothing reads it; atomic because hosts may create instances on any thread.
std::atomic<AudioEffect*> effectInstance{nullptr};
}  // namespace

extern "C" PARVOLINO_EXPORT AEffect* VSTPluginMain(audioMasterCallback audioMaster);

extern "C" AEffect* VSTPluginMain(audioMasterCallback audioMaster) {
  // No record exists yet, so the version request goes out without one.
  if (!audioMaster || audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
  AudioEffect* effect = nullptr;
  try {
    effect = createEffectInstance(audioMaster);
  } catch (...) {
    // Out of memory while constructing: nothing may unwind into the host.
    effect = nullptr;
  }
  effectInstance.store(effect);
  return effect ? effect->getAeffect() : nullptr;
}

#if defined(_WIN32)
// Exported as "main" through the module definition file (main = VSTPluginMain).

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD /*reason*/, LPVOID /*reserved*/) {
  moduleInstance = instance;
  return TRUE;
}
#else
// Linux hosts look for "main" as well; C++ reserves that name, so the symbol
// is given it by an assembler label.
extern "C" PARVOLINO_EXPORT AEffect* pluginMainEntry(audioMasterCallback audioMaster) __asm__("main");
extern "C" AEffect* pluginMainEntry(audioMasterCallback audioMaster) { return VSTPluginMain(audioMaster); }

namespace {
// The attach routine: runs when the module is loaded and records the
// module's load address, found from a function inside it.
__attribute__((constructor)) void attachModule() {
  Dl_info info;
  if (dladdr(reinterpret_cast<void*>(&attachModule), &info) != 0) moduleInstance = info.dli_fbase;
}
}  // namespace
#endif
