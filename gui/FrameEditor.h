#pragma once
// What a frame needs of the editor that owns it, whatever plug-in format
// that editor serves: where its controls' gestures go, and the idle work to
// do while a control tracks the mouse in a loop of its own.

#include <cstdint>

class FrameEditor {
public:
    virtual ~FrameEditor() = default;
    // A control's gesture on a parameter starts or ends; the host records
    // the values set in between as one edit.
    virtual void beginEdit(int32_t index) = 0;
    virtual void endEdit(int32_t index) = 0;
    // Once per pass of a control's mouse loop: redraws what changed and lets
    // the window paint and the host do its idle work at a calmer pace.
    virtual void idleWhileTracking() = 0;
};
