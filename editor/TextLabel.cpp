#include "editor/TextLabel.h"

#include <cstring>

TextLabel::TextLabel(const Rect& size, int32_t inset)
    : View(size),
      textRect(size.left + inset, size.top + inset, size.right - inset, size.bottom - inset) {}

void TextLabel::setText(const char* newText) {
    size_t length = 0;
    if (newText) {
        while (length < maxTextLength && newText[length] != '\0')
            ++length;
        std::memcpy(text, newText, length);
    }
    text[length] = '\0';
    setDirty(true);
}

void TextLabel::getText(char* buffer) const {
    if (buffer)
        std::memcpy(buffer, text, std::strlen(text) + 1);
}

void TextLabel::draw(DrawContext* context) {
    context->setFillColor(backColor);
    context->fillRect(size);
    context->setFrameColor(frameColor);
    context->drawRect(size);
    context->setFont(font, 0);
    context->setFontColor(fontColor);
    context->drawString(text, textRect, false, static_cast<TextAlign>(horiAlign));
}
