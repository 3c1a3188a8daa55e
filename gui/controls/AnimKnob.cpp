#include "gui/controls/AnimKnob.h"

AnimKnob::AnimKnob(const Rect& size, ControlListener* listener, int32_t tag, int32_t frameCount,
                   int32_t frameHeight, Bitmap* bitmap)
    : Knob(size, listener, tag, bitmap), frameCount(frameCount), frameHeight(frameHeight) {}

int32_t AnimKnob::frameOffset() const {
    if (!(value > 0.0f) || frameHeight <= 0 || frameCount <= 1)
        return 0;
    const int32_t total = (frameCount - 1) * frameHeight;
    // Values above the range (only reachable through setValue) show the last
    // frame instead of pointing past the end of the strip.
    if (value >= 1.0f)
        return total;
    const auto t = static_cast<int32_t>(static_cast<float>(total) * value);
    for (int32_t m = 0; m <= total; m += frameHeight) {
        if (t < m)
            return m - frameHeight;
    }
    return t;
}

void AnimKnob::draw(DrawContext* context) {
    drawBackground(context, Point(0, frameOffset()));
    setDirty(false);
}
