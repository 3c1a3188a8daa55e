// Loads a plug-in DLL by path the way a Windows host does and answers its
// host callback, printing the calls a test wants to see (automation, begin
// and end of an edit) as they happen.
#pragma once

#include <windows.h>

#include <string>

#include "vst2/VstInterface.h"

// Counts and echo of the host callback, shared by every loaded instance.
struct HostCallCounts {
  int automate = 0;
  int beginEdit = 0;
  int endEdit = 0;
  int idle = 0;
  int wantMidi = 0;
};
extern HostCallCounts hostCalls;
extern bool echoHostCalls;

VstIntPtr hostCallback(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr value, void* ptr,
                       float opt);

class PluginModule {
 public:
  PluginModule() = default;
  PluginModule(const PluginModule&) = delete;
  PluginModule& operator=(const PluginModule&) = delete;
  ~PluginModule();

  // LoadLibraryA, then the entry ("VSTPluginMain", else "main") with our callback.
  bool load(const std::string& path, std::string& error);
  // effClose (returns what it answered) and FreeLibrary.
  VstIntPtr close();

  AEffect* effect() const { return effect_; }
  HMODULE handle() const { return module_; }
  bool exports(const char* name) const;
  // True when the address lies inside the loaded image.
  bool insideImage(const void* address) const;
  VstIntPtr dispatch(int32_t opcode, int32_t index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f) const;

 private:
  HMODULE module_ = nullptr;
  AEffect* effect_ = nullptr;
};
