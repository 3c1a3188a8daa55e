#pragma once
// One line of text in a filled, outlined box.

#include <cstdint>

#include "gui/DrawContext.h"
#include "gui/View.h"

class TextLabel : public View {
public:
    static constexpr int32_t maxTextLength = 63;

    // The text is placed in size moved inwards by inset on all four sides.
    TextLabel(const Rect& size, int32_t inset);

    void draw(DrawContext* context) override;

    // These only store; call them before the first draw or mark the label dirty.
    virtual void setFont(int32_t fontId) { font = fontId; }
    virtual void setFontColor(Color color) { fontColor = color; }
    virtual void setBackColor(Color color) { backColor = color; }
    virtual void setFrameColor(Color color) { frameColor = color; }
    virtual void setHoriAlign(int32_t align) { horiAlign = align; }
    // Keeps the first 63 characters and marks the label for redrawing.
    virtual void setText(const char* newText);
    // buffer must hold 64 characters.
    virtual void getText(char* buffer) const;

    const Rect& getTextRect() const { return textRect; }

protected:
    int32_t horiAlign = alignLeft;
    int32_t font = 4;
    Color fontColor{255, 255, 255, 0};
    Color backColor{0, 0, 0, 0};
    Color frameColor{0, 0, 0, 0};
    Rect textRect;
    char text[maxTextLength + 1] = {};
};
