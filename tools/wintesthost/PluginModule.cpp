#include "tools/wintesthost/PluginModule.h"

#include <cstdio>

HostCallCounts hostCalls;
bool echoHostCalls = false;

VstIntPtr hostCallback(AEffect*, int32_t opcode, int32_t index, VstIntPtr, void*, float opt) {
  switch (opcode) {
    case audioMasterVersion:
      return 2400;
    case audioMasterAutomate:
      ++hostCalls.automate;
      if (echoHostCalls) std::printf("host automate %d %.6f\n", index, static_cast<double>(opt));
      break;
    case audioMasterBeginEdit:
      ++hostCalls.beginEdit;
      if (echoHostCalls) std::printf("host beginEdit %d\n", index);
      break;
    case audioMasterEndEdit:
      ++hostCalls.endEdit;
      if (echoHostCalls) std::printf("host endEdit %d\n", index);
      break;
    case audioMasterIdle:
      ++hostCalls.idle;
      return 0;
    case audioMasterWantMidi:
      ++hostCalls.wantMidi;
      return 1;
    case audioMasterGetSampleRate:
      return 44100;
    case audioMasterGetBlockSize:
      return 512;
    default:
      return 0;
  }
  std::fflush(stdout);
  return 1;
}

PluginModule::~PluginModule() { close(); }

bool PluginModule::load(const std::string& path, std::string& error) {
  module_ = LoadLibraryA(path.c_str());
  if (!module_) {
    error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  typedef AEffect* (*Entry)(audioMasterCallback);
  FARPROC proc = GetProcAddress(module_, "VSTPluginMain");
  if (!proc) proc = GetProcAddress(module_, "main");
  if (!proc) {
    error = path + " exports neither VSTPluginMain nor main";
    return false;
  }
  effect_ = reinterpret_cast<Entry>(reinterpret_cast<void*>(proc))(hostCallback);
  if (!effect_) {
    error = "the entry point of " + path + " returned no instance";
    return false;
  }
  return true;
}

VstIntPtr PluginModule::close() {
  VstIntPtr answer = 0;
  if (effect_) {
    answer = dispatch(effClose);
    effect_ = nullptr;
  }
  if (module_) {
    FreeLibrary(module_);
    module_ = nullptr;
  }
  return answer;
}

bool PluginModule::exports(const char* name) const {
  return module_ && GetProcAddress(module_, name) != nullptr;
}

bool PluginModule::insideImage(const void* address) const {
  if (!module_ || !address) return false;
  HMODULE owner = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          static_cast<LPCSTR>(address), &owner))
    return false;
  return owner == module_;
}

VstIntPtr PluginModule::dispatch(int32_t opcode, int32_t index, VstIntPtr value, void* ptr,
                                 float opt) const {
  return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}
