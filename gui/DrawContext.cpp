#include "gui/DrawContext.h"

#include <cstring>

namespace {

struct FontRow {
    const char* face;
    int32_t size;
    int32_t weight;
    uint8_t pitchAndFamily;
};

// Variable pitch sans-serif faces, and a decorative symbol face.
constexpr FontRow fontTable[8] = {
    {"Arial", 12, 700, 0x22}, {"Arial", 18, 400, 0x22}, {"Arial", 14, 400, 0x22}, {"Arial", 12, 400, 0x22},
    {"Arial", 11, 400, 0x22}, {"Arial", 10, 400, 0x22}, {"Arial", 9, 400, 0x22},  {"Symbol", 13, 400, 0x50},
};

}  // namespace

DrawContext::DrawContext(platform::SurfaceHandle surface, platform::WindowHandle window)
    : surface(surface), window(window) {
    if (surface) {
        surfaceBrush = platform::currentBrush(surface);
        surfacePen = platform::currentPen(surface);
        surfaceFont = platform::currentFont(surface);
        platform::setBackgroundMode(surface, platform::backgroundTransparent);
    }
    platform::Bounds bounds;
    if (window && platform::windowScreenRect(window, bounds))
        windowOrigin = Point(bounds.left, bounds.top);
    if (surface) {
        setFrameColor(colorWhite);
        setFillColor(colorBlack);
        setFontColor(colorWhite);
    }
}

DrawContext::~DrawContext() {
    if (surface) {
        if (surfaceBrush)
            platform::selectBrush(surface, surfaceBrush);
        if (surfacePen)
            platform::selectPen(surface, surfacePen);
        if (surfaceFont)
            platform::selectFont(surface, surfaceFont);
    }
    if (brush)
        platform::deleteBrush(brush);
    if (pen)
        platform::deletePen(pen);
    if (font)
        platform::deleteFont(font);
}

void DrawContext::moveTo(const Point& point) {
    if (surface)
        platform::moveTo(surface, point.h, point.v);
}

void DrawContext::lineTo(const Point& point) {
    if (surface)
        platform::lineTo(surface, point.h, point.v);
}

void DrawContext::drawRect(const Rect& rect) {
    // A closed path: every corner once, the far column and row included.
    moveTo(Point(rect.left, rect.top));
    lineTo(Point(rect.right, rect.top));
    lineTo(Point(rect.right, rect.bottom));
    lineTo(Point(rect.left, rect.bottom));
    lineTo(Point(rect.left, rect.top));
}

void DrawContext::fillRect(const Rect& rect) {
    if (!surface)
        return;
    // One pixel in from the top and left, so an outline of the same
    // rectangle and its fill never overlap.
    const platform::Bounds area{rect.left + 1, rect.top + 1, rect.right, rect.bottom};
    platform::fillRect(surface, area, brush ? brush : platform::currentBrush(surface));
}

void DrawContext::setFrameColor(const Color& color) {
    frameColor = color;
    if (!surface)
        return;
    platform::PenHandle newPen = platform::createSolidPen(lineWidth, color.toPlatform());
    if (!newPen)
        return;  // the previous pen stays in use
    platform::selectPen(surface, newPen);
    if (pen)
        platform::deletePen(pen);
    pen = newPen;
}

void DrawContext::setFillColor(const Color& color) {
    fillColor = color;
    if (!surface)
        return;
    platform::setBackgroundColor(surface, color.toPlatform());
    platform::BrushHandle newBrush = platform::createSolidBrush(color.toPlatform());
    if (!newBrush)
        return;  // the previous brush stays in use
    platform::selectBrush(surface, newBrush);
    if (brush)
        platform::deleteBrush(brush);
    brush = newBrush;
}

void DrawContext::setFontColor(const Color& color) {
    fontColor = color;
    if (surface)
        platform::setTextColor(surface, color.toPlatform());
}

void DrawContext::setFont(int32_t fontId, int32_t size) {
    if (fontId < 0 || fontId > 7)
        fontId = 0;
    const FontRow& row = fontTable[fontId];
    if (size == 0)
        size = row.size;
    fontSize = size;
    if (!surface)
        return;

    platform::FontAttributes attributes;
    attributes.height = -size;
    attributes.width = 0;
    attributes.weight = row.weight;
    attributes.charSet = 0;
    attributes.outPrecision = 1;
    attributes.clipPrecision = 2;
    attributes.quality = 0;
    attributes.pitchAndFamily = row.pitchAndFamily;
    std::strncpy(attributes.faceName, row.face, sizeof attributes.faceName - 1);

    platform::FontHandle newFont = platform::createFont(attributes);
    if (!newFont)
        return;  // the previous font stays in use
    platform::selectFont(surface, newFont);
    if (font)
        platform::deleteFont(font);
    font = newFont;
}

void DrawContext::drawString(const char* text, const Rect& rect, bool opaque, TextAlign align) {
    if (!surface)
        return;
    platform::setBackgroundMode(surface, opaque ? platform::backgroundOpaque : platform::backgroundTransparent);
    platform::Bounds box{rect.left, rect.top, rect.right, rect.bottom};
    platform::TextFormat format = platform::textLeft;
    if (align == alignCenter) {
        format = platform::textCenter;
    } else if (align == alignRight) {
        format = platform::textRight;
    } else {
        box.left += 1;  // left text starts one pixel in
    }
    if (text)
        platform::drawText(surface, text, box, format);
    platform::setBackgroundMode(surface, platform::backgroundTransparent);
}

int32_t DrawContext::getMouseButtons() {
    int32_t buttons = 0;
    if (platform::isKeyDown(platform::keyLeftButton))
        buttons |= buttonLeft;
    if (platform::isKeyDown(platform::keyMiddleButton))
        buttons |= buttonMiddle;
    if (platform::isKeyDown(platform::keyRightButton))
        buttons |= buttonRight;
    if (platform::isKeyDown(platform::keyShift))
        buttons |= modifierShift;
    if (platform::isKeyDown(platform::keyControl))
        buttons |= modifierControl;
    if (platform::isKeyDown(platform::keyAlt))
        buttons |= modifierAlt;
    return buttons;
}

void DrawContext::getMouseLocation(Point& point) {
    int32_t x = 0;
    int32_t y = 0;
    platform::cursorScreenPosition(x, y);
    point = Point(x - windowOrigin.h, y - windowOrigin.v);
}
