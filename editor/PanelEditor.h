#pragma once
// The base of an editor whose panel is a frame of the toolkit, for any
// plug-in format: opens the panel in the host's window, redraws on the
// host's idle calls, says how large the panel shows on this screen, and
// does the idle work of controls that are tracking the mouse. A format's
// own editor object (vst2/, lv2/) holds one and forwards the host's calls.

#include <cstdint>

#include "gui/FrameEditor.h"
#include "gui/Geometry.h"

class Frame;

class PanelEditor : public FrameEditor {
public:
    PanelEditor(int32_t width, int32_t height);
    ~PanelEditor() override;
    PanelEditor(const PanelEditor&) = delete;
    PanelEditor& operator=(const PanelEditor&) = delete;

    // The panel's own size, and the size it shows at in parentWindow (null:
    // the screen's default): larger on a high-resolution screen.
    const Rect& panelSize() const { return size; }
    Rect shownSize(void* parentWindow) const;

    // window is the host's window the panel opens in. Non-zero on success.
    virtual int32_t open(void* window);
    virtual void close();
    virtual void idle();
    // The host set or the instrument changed a parameter, or (-1) the sample.
    virtual void setParameter(int32_t index, float value);

    void idleWhileTracking() override;

    static uint32_t getTicks();
    static void wait(uint32_t milliseconds);

    Frame* getFrame() const { return frame; }
    void* getSystemWindow() const { return systemWindow; }

protected:
    // Runs at the start of every idle pass on the user-interface thread, so
    // a derived editor can take over updates handed to it by other threads.
    virtual void applyDeferredUpdates() {}
    // The host's idle work, asked for while a control tracks the mouse.
    virtual void hostIdle() {}

    Rect size;
    Frame* frame = nullptr;
    void* systemWindow = nullptr;
    uint32_t lastTicks = 0;
    bool inTrackingIdle = false;
};
