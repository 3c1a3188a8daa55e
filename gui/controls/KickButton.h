#pragma once
// A momentary push button: 1.0 while pressed with the pointer over it.

#include "gui/controls/Control.h"

class KickButton : public Control {
public:
    KickButton(const Rect& size, ControlListener* listener, int32_t tag, int32_t frameHeight,
               Bitmap* background, const Point& offset);

    void draw(DrawContext* context) override;
    void mouse(DrawContext* context, Point& where) override;

protected:
    Point offset;
    int32_t frameHeight;
};
