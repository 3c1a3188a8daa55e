#include "engine/BackgroundThread.h"

#if defined(_WIN32)
#include <windows.h>

void yieldToTheHost()
{
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
}

void pinThisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&pinThisModule), &module);
}
#else
#include <dlfcn.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

void yieldToTheHost()
{
    // Linux keeps a nice value per thread.
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
}

void pinThisModule()
{
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&pinThisModule), &info) == 0 || info.dli_fname == nullptr)
        return;
    // Opening it again without loading it, never to be unloaded; the handle
    // is never closed.
    dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}
#endif
