#include "resources/draw/PanelPreview.h"

#include "resources/draw/PanelLayout.h"

namespace {

Rgb unpack(uint32_t p) { return {float(p >> 16 & 255), float(p >> 8 & 255), float(p & 255)}; }

// Copies a w x h block from a packed image of the given width.
void copyBlock(Image& dest, int dx, int dy, const std::vector<uint32_t>& src, int srcWidth, int sx, int sy, int w,
               int h) {
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) dest.at(dx + x, dy + y) = unpack(src[size_t(sy + y) * size_t(srcWidth) + size_t(sx + x)]);
}

// A text display as the editor draws it: black, a one-pixel frame, cyan text.
void drawLabel(Image& image, Fonts& fonts, int left, int top, int right, int bottom, const char* text, bool centred) {
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) {
      const bool edge = x == left || x == right - 1 || y == top || y == bottom - 1;
      image.at(x, y) = edge ? Rgb{96, 96, 128} : Rgb{0, 0, 0};
    }
  TextStyle style;
  style.pixelSize = 11;
  style.color = panel::kCyan;
  const float middle = (top + bottom) / 2.0f;
  if (centred)
    fonts.drawCentred(image, style, text, (left + right) / 2.0f, middle);
  else
    fonts.draw(image, style, text, left + 3, int(middle + fonts.capHeight(style) / 2.0f + 0.5f));
}

}  // namespace

Image drawPanelPreview(Fonts& fonts, const std::vector<uint32_t>& knobStrip, const std::vector<uint32_t>& button,
                       const std::vector<uint32_t>& background) {
  Image image(panel::kWidth, panel::kHeight, Rgb{});
  copyBlock(image, 0, 0, background, panel::kWidth, 0, 0, panel::kWidth, panel::kHeight);
  const int frames[panel::kKnobCount] = {30, 12, 45, 0};
  const char* values[panel::kKnobCount] = {"1.000", "37.5 ms", "8.00", "0.00 ms"};
  for (int i = 0; i < panel::kKnobCount; ++i) {
    copyBlock(image, panel::knobLeft(i), panel::kKnobTop, knobStrip, panel::kKnobSize, 0, frames[i] * panel::kKnobSize,
              panel::kKnobSize, panel::kKnobSize);
    drawLabel(image, fonts, panel::knobLeft(i), panel::kValueLabelTop, panel::knobLeft(i) + panel::kKnobSize,
              panel::kValueLabelBottom, values[i], true);
  }
  copyBlock(image, panel::kButtonLeft, panel::kButtonTop, button, panel::kButtonWidth, 0, 0, panel::kButtonWidth,
            panel::kButtonHeight);
  drawLabel(image, fonts, panel::kPathLeft, panel::kPathTop, panel::kPathRight, panel::kPathBottom,
            "/home/user/samples/voice-choir-a3.wav", false);
  return image;
}
