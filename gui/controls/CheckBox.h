#pragma once
// A setting that is on or off: a small framed box, filled while the value
// is 1.0, with its title beside it on a ground of its own colour, so that a
// new title never lands on the old one. A click on the box or the title
// turns it over once the button comes up over it again.

#include "gui/DrawContext.h"
#include "gui/controls/Control.h"

class CheckBox : public Control {
public:
    // size holds the box (a square as high as size) and the title after it.
    CheckBox(const Rect& size, ControlListener* listener, int32_t tag, const char* title);

    void draw(DrawContext* context) override;
    void mouse(DrawContext* context, Point& where) override;

    // These only store; the control redraws when its value or title changes.
    void setTitle(const char* newTitle);
    void setTitleColor(Color color);
    void setBoxColors(Color frame, Color fill, Color tick);
    // The ground the control is drawn on: that of whatever lies behind it.
    void setBackColor(Color color);
    void setFont(int32_t fontId) { font = fontId; }

    bool isDirty() const override;

    // Where the box lies, and the title.
    Rect boxRect() const;
    Rect titleRect() const;

private:
    static constexpr int32_t maxTitleLength = 47;

    char title[maxTitleLength + 1] = {};
    Color titleColor = colorWhite;
    Color frameColor = colorWhite;
    Color fillColor = colorBlack;
    Color tickColor = colorWhite;
    Color backColor = colorBlack;
    int32_t font = 4;
    bool looksChanged = true;
};
