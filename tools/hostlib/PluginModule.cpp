#include <dlfcn.h>

#include "tools/hostlib/PluginHost.h"

PluginModule::~PluginModule() { unload(); }

bool PluginModule::load(const std::string& path) {
  unload();
  handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* message = dlerror();
    lastError = message ? message : "cannot load " + path;
    return false;
  }
  for (const char* name : {"VSTPluginMain", "main"}) {
    if (void* found = dlsym(handle, name)) {
      entryProc = reinterpret_cast<PluginEntryProc>(found);
      foundEntryName = name;
      return true;
    }
  }
  lastError = path + " exports neither VSTPluginMain nor main";
  unload();
  return false;
}

void PluginModule::unload() {
  if (handle) dlclose(handle);
  handle = nullptr;
  entryProc = nullptr;
  foundEntryName.clear();
}

void* PluginModule::symbol(const char* name) const { return handle ? dlsym(handle, name) : nullptr; }
