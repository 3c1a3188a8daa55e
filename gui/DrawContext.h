// Everything a view draws goes through a DrawContext: it wraps one surface of
// the frame's window for the length of one message, keeps the current line,
// fill and text colours and font, owns the platform pen, brush and font that
// realise them, and puts the surface's own objects back when it goes.
#pragma once

#include <cstdint>

#include "gui/Color.h"
#include "gui/Geometry.h"
#include "platform/Platform.h"

// Bits of getMouseButtons.
constexpr int32_t buttonLeft = 1;
constexpr int32_t buttonMiddle = 2;
constexpr int32_t buttonRight = 4;
constexpr int32_t modifierShift = 8;
constexpr int32_t modifierControl = 16;
constexpr int32_t modifierAlt = 32;

enum TextAlign : int32_t {
    alignLeft = 0,
    alignCenter = 1,
    alignRight = 2,
};

class DrawContext {
public:
    // Either may be null: without a surface nothing is drawn, without a
    // window the origin is (0, 0).
    DrawContext(platform::SurfaceHandle surface, platform::WindowHandle window);
    virtual ~DrawContext();
    DrawContext(const DrawContext&) = delete;
    DrawContext& operator=(const DrawContext&) = delete;

    void moveTo(const Point& point);
    // A line in the frame colour up to, not including, the point.
    void lineTo(const Point& point);
    // Outline in the frame colour covering columns left .. right and rows top .. bottom.
    void drawRect(const Rect& rect);
    // Interior in the fill colour: columns left+1 .. right-1, rows top+1 .. bottom-1.
    void fillRect(const Rect& rect);

    void setFrameColor(const Color& color);
    void setFillColor(const Color& color);
    void setFontColor(const Color& color);
    // Font ids 0 .. 7 (others mean 0); size 0 takes the font's own size.
    void setFont(int32_t fontId, int32_t size);
    // One line in the rectangle, vertically centred and clipped to it.
    void drawString(const char* text, const Rect& rect, bool opaque, TextAlign align);

    // The mouse-state bits, read live.
    int32_t getMouseButtons();
    // The cursor relative to the window's top-left corner.
    void getMouseLocation(Point& point);

    Color getFrameColor() const { return frameColor; }
    Color getFillColor() const { return fillColor; }
    Color getFontColor() const { return fontColor; }
    int32_t getFontSize() const { return fontSize; }
    int32_t getLineWidth() const { return lineWidth; }
    const Point& getWindowOrigin() const { return windowOrigin; }
    platform::SurfaceHandle getSurface() const { return surface; }
    platform::WindowHandle getWindow() const { return window; }

private:
    Point windowOrigin;
    platform::SurfaceHandle surface;
    platform::WindowHandle window;
    int32_t fontSize = 0;
    Color fontColor = colorWhite;
    int32_t lineWidth = 1;
    Color frameColor = colorWhite;
    Color fillColor = colorBlack;
    platform::BrushHandle brush = nullptr;
    platform::PenHandle pen = nullptr;
    platform::FontHandle font = nullptr;
    platform::BrushHandle surfaceBrush = nullptr;
    platform::PenHandle surfacePen = nullptr;
    platform::FontHandle surfaceFont = nullptr;
};
