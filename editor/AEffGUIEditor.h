#pragma once
// The base of an editor whose panel is a frame of the toolkit: reports the
// panel's rectangle, redraws on the host's idle calls, keeps the knob mode
// shared by every instance, and does the idle work of controls that are
// tracking the mouse.

#include <cstdint>

#include "host/AEffEditor.h"

class AudioEffect;
class Frame;

// Knobs follow straight mouse movement in this mode, circles otherwise.
constexpr int32_t linearKnobMode = 2;

class AEffGUIEditor : public AEffEditor {
public:
    explicit AEffGUIEditor(AudioEffect* effect);
    ~AEffGUIEditor() override;

    int32_t getRect(ERect** rect) override;
    int32_t open(void* window) override;
    void close() override;
    void idle() override;
    int32_t setKnobMode(int32_t mode) override;

    // The effect calls this whenever a parameter is set, and with -1 when the
    // current program's sample changed.
    virtual void setParameter(int32_t index, float value);

    // Once per pass of a control's mouse loop: redraws dirty views, and at a
    // calmer pace lets the window paint and the host run its idle work.
    void idleWhileTracking();

    static uint32_t getTicks();
    static void wait(uint32_t milliseconds);

    Frame* getFrame() const { return frame; }

    // Shared by every editor of the module.
    static int32_t knobMode;

protected:
    // Runs at the start of every idle pass on the user-interface thread, so
    // a derived editor can take over updates handed to it by other threads.
    virtual void applyDeferredUpdates() {}

    ERect rect{};
    // The rectangle reported to the host: rect enlarged by the screen's scale.
    ERect shownRect{};
    Frame* frame = nullptr;
    uint32_t lastTicks = 0;
    bool inTrackingIdle = false;
};
