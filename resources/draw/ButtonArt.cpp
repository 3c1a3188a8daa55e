#include "resources/draw/Artwork.h"
#include "resources/draw/PanelLayout.h"
#include "resources/draw/Paint.h"

namespace {

constexpr int kW = panel::kButtonWidth;
constexpr int kH = panel::kButtonHeight;
constexpr float kCorner = 4;
constexpr Rgb kBorder{24, 24, 29};
constexpr Rgb kBlack{0, 0, 0};
constexpr char kLabel[] = "Load .WAV";

// One state of the button, 80 x 25.
Image drawState(Fonts& fonts, bool pressed) {
  Image image(kW, kH, panel::kPanelGrey);
  const Box all{0, 0, kW, kH};
  const Field body = field::roundedRect(0.5f, 0.5f, kW - 0.5f, kH - 0.5f, kCorner);
  const Field face = field::inset(body, 1);

  paint(image, all, body, flat(kBorder));
  if (!pressed) {
    // Raised: lit from above, a bright top edge.
    paint(image, all, face, vertical(Rgb{118, 118, 131}, Rgb{76, 76, 86}, 1, kH - 1));
    paint(image, all, field::outline(field::inset(face, 0.5f), 0.5f), vertical(Rgb{170, 170, 184}, Rgb{90, 90, 100}, 1, 8),
          0.8f);
  } else {
    // Sunk: darker, lit from below, shaded along the top inside edge.
    paint(image, all, face, vertical(Rgb{42, 42, 49}, Rgb{60, 60, 69}, 1, kH - 1));
    paint(image, all, field::outline(field::inset(face, 1), 1.5f), flat(kBlack), 0.35f, 3);
    paint(image, all, field::outline(field::inset(face, 0.5f), 0.5f), flat(panel::kCyan), 0.28f);
  }

  TextStyle text;
  text.weight = FontWeight::Bold;
  text.pixelSize = 12;
  text.letterSpacing = 0.3f;
  const float shift = pressed ? 1 : 0;
  TextStyle shadow = text;
  shadow.color = kBlack;
  shadow.opacity = 0.55f;
  fonts.drawCentred(image, shadow, kLabel, kW / 2.0f + shift, kH / 2.0f + shift + 1);
  text.color = pressed ? panel::kCyan : Rgb{236, 238, 242};
  fonts.drawCentred(image, text, kLabel, kW / 2.0f + shift, kH / 2.0f + shift);
  return image;
}

}  // namespace

Image drawButton(Fonts& fonts) {
  Image image(kW, 2 * kH, panel::kPanelGrey);
  image.paste(drawState(fonts, false), 0, 0);
  image.paste(drawState(fonts, true), 0, kH);
  return image;
}
