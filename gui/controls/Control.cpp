#include "gui/controls/Control.h"

#include <cstring>

#include "gui/FrameEditor.h"
#include "gui/Bitmap.h"
#include "gui/DrawContext.h"
#include "gui/Frame.h"

Control::Control(const Rect& size, ControlListener* listener, int32_t tag, Bitmap* background)
    : View(size), listener(listener), tag(tag), background(background) {
    if (background)
        background->retain();
}

Control::~Control() {
    if (background)
        background->release();
}

bool Control::isDirty() const {
    return oldValue != value || View::isDirty();
}

void Control::setDirty(bool state) {
    View::setDirty(state);
    if (state) {
        // Any old value that differs from the current one will do; -1.0 is the
        // usual choice, unless the value is -1.0 itself.
        const float minusOne = -1.0f;
        oldValue = std::memcmp(&value, &minusOne, sizeof value) == 0 ? 0.0f : -1.0f;
    } else {
        oldValue = value;
    }
}

void Control::idleWhileTracking() {
    Frame* frame = getFrame();
    if (!frame)
        return;
    if (FrameEditor* editor = frame->getEditor())
        editor->idleWhileTracking();
}

void Control::setBackground(Bitmap* bitmap) {
    if (bitmap)
        bitmap->retain();
    if (background)
        background->release();
    background = bitmap;
}

void Control::drawBackground(DrawContext* context, const Point& offset) {
    if (background)
        background->draw(context, size, offset);
}
