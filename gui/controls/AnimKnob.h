#pragma once
// A knob drawn as one frame of a vertical film-strip bitmap.

#include "gui/controls/Knob.h"

class AnimKnob : public Knob {
public:
    AnimKnob(const Rect& size, ControlListener* listener, int32_t tag, int32_t frameCount,
             int32_t frameHeight, Bitmap* bitmap);

    void draw(DrawContext* context) override;

    // The vertical source offset of the film frame shown for the current value.
    int32_t frameOffset() const;

protected:
    int32_t frameCount;
    int32_t frameHeight;
};
