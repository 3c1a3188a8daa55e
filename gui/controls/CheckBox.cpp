#include "gui/controls/CheckBox.h"

#include <cstring>

CheckBox::CheckBox(const Rect& size, ControlListener* listener, int32_t tag, const char* title)
    : Control(size, listener, tag, nullptr) {
    setTitle(title);
}

void CheckBox::setTitle(const char* newTitle) {
    const size_t length = newTitle ? strnlen(newTitle, maxTitleLength) : 0;
    if (length == std::strlen(title) && std::memcmp(title, newTitle, length) == 0)
        return;
    std::memcpy(title, newTitle, length);
    title[length] = '\0';
    looksChanged = true;
}

void CheckBox::setTitleColor(Color color) {
    looksChanged = looksChanged || !(color == titleColor);
    titleColor = color;
}

void CheckBox::setBoxColors(Color frame, Color fill, Color tick) {
    frameColor = frame;
    fillColor = fill;
    tickColor = tick;
    looksChanged = true;
}

void CheckBox::setBackColor(Color color) {
    looksChanged = looksChanged || !(color == backColor);
    backColor = color;
}

bool CheckBox::isDirty() const {
    return looksChanged || Control::isDirty();
}

Rect CheckBox::boxRect() const {
    const int32_t side = size.bottom - size.top;
    return Rect(size.left, size.top, size.left + side, size.bottom);
}

Rect CheckBox::titleRect() const {
    const Rect box = boxRect();
    return Rect(box.right + 4, size.top, size.right, size.bottom);
}

void CheckBox::draw(DrawContext* context) {
    // The whole ground first: text is drawn over what is there, and the
    // control is redrawn on its own whenever its title or value changes.
    // (fillRect leaves out the left column and the top row.)
    context->setFillColor(backColor);
    context->fillRect(Rect(size.left - 1, size.top - 1, size.right, size.bottom));
    const Rect box = boxRect();
    // The interior is filled first, the outline around it.
    context->setFillColor(fillColor);
    context->fillRect(box);
    context->setFrameColor(frameColor);
    context->drawRect(Rect(box.left, box.top, box.right - 1, box.bottom - 1));
    if (value >= 0.5f) {
        // Ticked: a filled square inside the box, the same on every platform.
        context->setFillColor(tickColor);
        context->fillRect(Rect(box.left + 2, box.top + 2, box.right - 3, box.bottom - 3));
    }
    context->setFont(font, 0);
    context->setFontColor(titleColor);
    context->drawString(title, titleRect(), false, alignLeft);
    looksChanged = false;
    setDirty(false);
}

void CheckBox::mouse(DrawContext* context, Point& where) {
    if (!getMouseEnabled() || !(context->getMouseButtons() & buttonLeft))
        return;
    // Tracked until the button comes up: only a release over the control
    // turns it over, so a press that slides away changes nothing.
    while (context->getMouseButtons() != 0) {
        context->getMouseLocation(where);
        idleWhileTracking();
    }
    if (!size.contains(where))
        return;
    value = value >= 0.5f ? 0.0f : 1.0f;
    listener->valueChanged(context, this);
}
