#pragma once
// The instrument's panel as an LV2 UI: the same panel as every format's,
// opened in the host's parent window (or a window of its own the host
// shows), idled by the host, and talking to the DSP only through ports and
// atom messages (RemoteController), so the two may live in separate
// processes. Everything runs on the host's UI thread.

#include "editor/PluginEditor.h"
#include "lv2/Urids.h"
#include "lv2/ui/RemoteController.h"
#include "lv2/ui/TopLevelWindow.h"

#include <lv2/ui/ui.h>

#include <cstdint>
#include <memory>

class Lv2Ui {
public:
    // Null when the host lacks the URID map or the panel cannot open.
    static Lv2Ui* create(LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
                         const LV2_Feature* const* features);
    ~Lv2Ui();
    Lv2Ui(const Lv2Ui&) = delete;
    Lv2Ui& operator=(const Lv2Ui&) = delete;

    void portEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer);
    // Non-zero once the UI's own window was closed.
    int idle();
    int show();
    int hide();

    PluginEditor& editor() { return editor_; }

private:
    Lv2Ui(LV2_URID_Map* map, const RemoteController::Host& host);
    bool open(void* parent, const LV2UI_Resize* resize, LV2UI_Widget* widget);

    Lv2Urids urids_;
    RemoteController controller_;
    PluginEditor editor_;
    std::unique_ptr<TopLevelWindow> ownWindow_;  // only where the host gives no parent
};
