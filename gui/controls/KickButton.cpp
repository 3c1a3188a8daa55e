#include "gui/controls/KickButton.h"

#include "gui/DrawContext.h"
#include "gui/Frame.h"

KickButton::KickButton(const Rect& size, ControlListener* listener, int32_t tag, int32_t frameHeight,
                       Bitmap* background, const Point& offset)
    : Control(size, listener, tag, background), offset(offset), frameHeight(frameHeight) {}

void KickButton::draw(DrawContext* context) {
    if (value > 1.0f)
        value = 1.0f;
    else if (value < 0.0f)
        value = 0.0f;
    Point source = offset;
    if (value != 0.0f)
        source.v += frameHeight;
    drawBackground(context, source);
    setDirty(false);
}

void KickButton::mouse(DrawContext* context, Point& where) {
    if (!getMouseEnabled())
        return;
    if (!(context->getMouseButtons() & buttonLeft))
        return;

    const float entry = value;
    if (context->getMouseButtons() != 0) {
        Frame* frame = getFrame();
        if (frame)
            frame->beginEdit(tag);
        do {
            // Pressed while the pointer is over the button, back to the
            // entry state while it is outside.
            if (size.contains(where))
                value = entry == 0.0f ? 1.0f : 0.0f;
            else
                value = entry;
            if (isDirty())
                listener->valueChanged(context, this);
            context->getMouseLocation(where);
            idleWhileTracking();
        } while (context->getMouseButtons() != 0);
        if (frame)
            frame->endEdit(tag);
    } else {
        // Released before we looked: report one complete press.
        value = value == 0.0f ? 1.0f : 0.0f;
        listener->valueChanged(context, this);
    }

    value = 0.0f;
    listener->valueChanged(context, this);
}
