#include "resources/draw/Artwork.h"
#include "resources/draw/PanelLayout.h"
#include "resources/draw/Paint.h"

namespace {

constexpr int kW = panel::kWidth;
constexpr int kH = panel::kHeight;
constexpr int kBandBottom = 44;  // the title band, above the sample row at 60
constexpr int kGrooveRow = 93;   // between the sample row and the knob captions
constexpr float kCaptionMiddle = 104;
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kTitle{236, 240, 244};
constexpr Rgb kCaption{128, 222, 222};

// A small cross-head screw, as in the corners of a rack panel.
void drawScrew(Image& image, float cx, float cy) {
  const Box box{int(cx) - 6, int(cy) - 6, int(cx) + 7, int(cy) + 7};
  paint(image, box, field::circle(cx, cy + 0.8f, 3.6f), flat(kBlack), 0.5f, 2);
  paint(image, box, field::circle(cx, cy, 3.5f), vertical(Rgb{150, 150, 160}, Rgb{70, 70, 78}, cy - 3.5f, cy + 3.5f));
  paint(image, box, field::segment(cx - 2.1f, cy - 2.1f, cx + 2.1f, cy + 2.1f, 0.55f), flat(Rgb{40, 40, 46}));
  paint(image, box, field::segment(cx - 2.1f, cy + 2.1f, cx + 2.1f, cy - 2.1f, 0.55f), flat(Rgb{40, 40, 46}));
}

void drawTitleBand(Image& image, Fonts& fonts) {
  for (int y = 0; y < kBandBottom; ++y)
    for (int x = 0; x < kW; ++x) image.at(x, y) = mix(Rgb{50, 50, 58}, Rgb{39, 39, 46}, float(y) / kBandBottom);
  // A dark edge and a lit edge under the band make it a separate plate.
  for (int x = 0; x < kW; ++x) {
    image.at(x, kBandBottom) = Rgb{26, 26, 31};
    image.at(x, kBandBottom + 1) = Rgb{82, 82, 92};
  }

  TextStyle title;
  title.weight = FontWeight::Bold;
  title.pixelSize = 24;
  title.letterSpacing = 0.6f;
  title.color = kTitle;
  const float middle = kBandBottom / 2.0f;
  fonts.drawCentred(image, title, "Parvolino", 78, middle);

  TextStyle tag;
  tag.pixelSize = 9;
  tag.letterSpacing = 1.6f;
  tag.color = kCaption;
  tag.opacity = 0.85f;
  const char* line = "GRANULAR SAMPLE INSTRUMENT";
  const int right = kW - 22;
  const int baseline = int(middle) + fonts.capHeight(tag) / 2;
  fonts.draw(image, tag, line, right - fonts.measure(tag, line), baseline);
  // A short cyan rule under the name.
  paint(image, Box{0, 0, kW, kBandBottom}, field::roundedRect(22, 34, 134, 35.5f, 0.75f), flat(panel::kCyan), 0.8f);
}

void drawCaptions(Image& image, Fonts& fonts) {
  TextStyle caption;
  caption.weight = FontWeight::Bold;
  caption.pixelSize = 11;
  caption.letterSpacing = 0.4f;
  caption.color = kCaption;
  for (int i = 0; i < panel::kKnobCount; ++i) {
    const float centre = panel::knobLeft(i) + panel::kKnobSize / 2.0f;
    fonts.drawCentred(image, caption, panel::kCaptions[i], centre, kCaptionMiddle);
  }
}

}  // namespace

Image drawBackground(Fonts& fonts) {
  Image image(kW, kH, panel::kPanelGrey);
  drawTitleBand(image, fonts);
  // An engraved line between the sample row and the knobs.
  for (int x = 10; x < kW - 10; ++x) {
    image.at(x, kGrooveRow) = Rgb{46, 46, 53};
    image.at(x, kGrooveRow + 1) = Rgb{84, 84, 94};
  }
  drawCaptions(image, fonts);
  for (float x : {9.0f, kW - 9.0f})
    for (float y : {9.0f, kH - 9.0f}) drawScrew(image, x, y);
  return image;
}
