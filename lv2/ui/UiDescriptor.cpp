// A stand-in for the UI adapter: a blank 400 x 290 X11 window inside the
// host's parent window (or a window of its own shown through the show
// interface), idled by the host. The real adapter, which shows the panel,
// replaces this file.
#include "lv2/Uris.h"

#include <X11/Xlib.h>
#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

#include <cstdint>
#include <cstring>
#include <new>

namespace {

constexpr unsigned kWidth = 400;
constexpr unsigned kHeight = 290;

struct StubUi {
    Display* display = nullptr;
    Window window = 0;
};

const void* findFeature(const LV2_Feature* const* features, const char* uri)
{
    for (const LV2_Feature* const* f = features; f && *f; ++f)
        if (std::strcmp((*f)->URI, uri) == 0)
            return (*f)->data;
    return nullptr;
}

void cleanup(LV2UI_Handle handle)
{
    auto* ui = static_cast<StubUi*>(handle);
    if (ui->window != 0)
        XDestroyWindow(ui->display, ui->window);
    if (ui->display != nullptr)
        XCloseDisplay(ui->display);
    delete ui;
}

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char*, const char*, LV2UI_Write_Function,
                         LV2UI_Controller, LV2UI_Widget* widget, const LV2_Feature* const* features)
{
    auto* ui = new (std::nothrow) StubUi;
    if (ui == nullptr)
        return nullptr;
    ui->display = XOpenDisplay(nullptr);
    if (ui->display == nullptr) {
        cleanup(ui);
        return nullptr;
    }
    // Embedded where the host gives a parent; else a window of its own,
    // shown when the host asks through the show interface.
    const void* parent = findFeature(features, LV2_UI__parent);
    const Window parentWindow =
        parent != nullptr ? Window(reinterpret_cast<uintptr_t>(parent)) : DefaultRootWindow(ui->display);
    const int screen = DefaultScreen(ui->display);
    ui->window = XCreateSimpleWindow(ui->display, parentWindow, 0, 0, kWidth, kHeight, 0,
                                     BlackPixel(ui->display, screen), WhitePixel(ui->display, screen));
    XStoreName(ui->display, ui->window, "Parvolino");
    if (parent != nullptr)
        XMapWindow(ui->display, ui->window);
    XFlush(ui->display);
    if (const auto* resize = static_cast<const LV2UI_Resize*>(findFeature(features, LV2_UI__resize)))
        resize->ui_resize(resize->handle, int(kWidth), int(kHeight));
    *widget = reinterpret_cast<LV2UI_Widget>(uintptr_t(ui->window));
    return ui;
}

void portEvent(LV2UI_Handle, uint32_t, uint32_t, uint32_t, const void*) {}

// Drains the window's events; nothing is drawn yet.
int idle(LV2UI_Handle handle)
{
    auto* ui = static_cast<StubUi*>(handle);
    while (XPending(ui->display) > 0) {
        XEvent event;
        XNextEvent(ui->display, &event);
    }
    return 0;
}

int show(LV2UI_Handle handle)
{
    auto* ui = static_cast<StubUi*>(handle);
    XMapRaised(ui->display, ui->window);
    XFlush(ui->display);
    return 0;
}

int hide(LV2UI_Handle handle)
{
    auto* ui = static_cast<StubUi*>(handle);
    XUnmapWindow(ui->display, ui->window);
    XFlush(ui->display);
    return 0;
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
