// The UI module's entry point: the UI's descriptor with its idle and show
// interfaces, each call handed to the instance.
#include "lv2/Uris.h"
#include "lv2/ui/Lv2Ui.h"
#include "platform/ModuleInstance.h"

#include <dlfcn.h>
#include <lv2/ui/ui.h>

#include <cstring>

namespace {

Lv2Ui* uiOf(LV2UI_Handle handle)
{
    return static_cast<Lv2Ui*>(handle);
}

// The toolkit names its window class and finds its artwork by the module's
// handle: this module's load address.
__attribute__((constructor)) void attachModule()
{
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&attachModule), &info) != 0)
        moduleInstance = info.dli_fbase;
}

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char*, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features)
{
    return Lv2Ui::create(write, controller, widget, features);
}

void cleanup(LV2UI_Handle handle)
{
    delete uiOf(handle);
}

// Nothing may unwind into the host: a message that could not be taken for
// want of memory is let go.
void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format, const void* buffer)
{
    try {
        uiOf(handle)->portEvent(port, size, format, buffer);
    } catch (...) {
    }
}

int idle(LV2UI_Handle handle)
{
    try {
        return uiOf(handle)->idle();
    } catch (...) {
        return 0;
    }
}

int show(LV2UI_Handle handle)
{
    return uiOf(handle)->show();
}

int hide(LV2UI_Handle handle)
{
    return uiOf(handle)->hide();
}

const void* extensionData(const char* uri)
{
    static const LV2UI_Idle_Interface idleInterface = {idle};
    static const LV2UI_Show_Interface showInterface = {show, hide};
    if (std::strcmp(uri, LV2_UI__idleInterface) == 0)
        return &idleInterface;
    if (std::strcmp(uri, LV2_UI__showInterface) == 0)
        return &showInterface;
    return nullptr;
}

const LV2UI_Descriptor kDescriptor = {
    parvolino::lv2uris::kUi, instantiate, cleanup, portEvent, extensionData,
};

}  // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
    return index == 0 ? &kDescriptor : nullptr;
}
