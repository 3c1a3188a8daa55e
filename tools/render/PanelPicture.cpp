#include "tools/render/PanelPicture.h"

#include <thread>

#include "platform/headless/HeadlessControl.h"
#include "tools/render/BuiltInInstrument.h"
#include "tools/render/PluginRenderer.h"

bool writePanelPicture(PluginInstance& instance, const std::string& path, std::string& error) {
    const std::optional<ERect> rect = instance.editorRect();
    if (!rect || rect->right <= rect->left || rect->bottom <= rect->top) {
        error = "the plug-in has no editor panel";
        return false;
    }
    const platform::WindowHandle host =
        headless::createHostWindow(0, 0, rect->right - rect->left, rect->bottom - rect->top);
    if (instance.dispatch(effEditOpen, 0, 0, host) == 0) {
        platform::destroyWindow(host);
        error = "the plug-in's editor did not open";
        return false;
    }
    // The first paint draws everything; an idle draws what is still dirty.
    headless::paintAll();
    instance.dispatch(effEditIdle);
    const std::vector<platform::WindowHandle> panels = headless::childWindows(host);
    const bool written = !panels.empty() && headless::saveWindowPng(panels.front(), path.c_str());
    instance.dispatch(effEditClose);
    platform::destroyWindow(host);
    if (!written) {
        error = path + ": cannot write the panel picture";
        return false;
    }
    return true;
}

bool writeBuiltInPanel(const RenderJob& job, const std::string& path, std::string& error) {
    RenderJob panelJob = job;
    // The classic playing's own entry when the render plays that way.
    if (panelJob.entry == nullptr)
        panelJob.entry = builtInInstrument;
    PluginRenderer instrument;
    if (!instrument.setUp(panelJob)) {
        error = instrument.error();
        return false;
    }
    // The same render, so that the strip shows the grains of its end. On a
    // thread of its own, whose grain scatter starts afresh as the module's
    // does in the render proper.
    bool rendered = false;
    std::thread audio([&] { rendered = instrument.render([](const float*, const float*, int32_t) { return true; }); });
    audio.join();
    if (!rendered) {
        error = instrument.error();
        return false;
    }
    return writePanelPicture(instrument.instance(), path, error);
}
