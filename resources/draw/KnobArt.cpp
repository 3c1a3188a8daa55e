#include <algorithm>
#include <cmath>

#include "resources/draw/Artwork.h"
#include "resources/draw/PanelLayout.h"
#include "resources/draw/Paint.h"
#include "resources/draw/PortableMath.h"

namespace {

constexpr float kCentre = panel::kKnobSize / 2.0f;
constexpr Box kWhole{0, 0, panel::kKnobSize, panel::kKnobSize};

constexpr float kTrackRadius = 26;
constexpr float kTrackHalfWidth = 1.6f;
constexpr float kSkirtRadius = 21.5f;
constexpr float kCapRadius = 16.5f;

constexpr Rgb kTrack{38, 38, 45};
constexpr Rgb kPointer{240, 244, 248};
constexpr Rgb kBlack{0, 0, 0};

float pointAngle(float x, float y) { return float(portable::atan2(kCentre - y, x - kCentre)); }

// Brushed metal lit from the upper left: a vertical falloff plus the
// bow-tie sheen that circular brushing throws.
Rgb capShade(float x, float y) {
  const Rgb base = mix(Rgb{118, 118, 130}, Rgb{56, 56, 64}, std::clamp((y - 13.0f) / 34.0f, 0.0f, 1.0f));
  const float sheen = float(portable::cos(2 * (pointAngle(x, y) - 2.2f)));
  const float lift = 14 * sheen;
  return {base.r + lift, base.g + lift, base.b + lift * 1.05f};
}

Rgb skirtShade(float x, float y) {
  const Rgb base = mix(Rgb{84, 84, 94}, Rgb{26, 26, 31}, std::clamp((y - 9.0f) / 42.0f, 0.0f, 1.0f));
  const float lift = 6 * float(portable::cos(2 * (pointAngle(x, y) - 2.2f)));
  return {base.r + lift, base.g + lift, base.b + lift};
}

}  // namespace

Image drawKnobFrame(float value) {
  Image image(panel::kKnobSize, panel::kKnobSize, panel::kPanelGrey);
  const float c = kCentre;

  // The travel: a dark track with the covered part lit in cyan.
  paint(image, kWhole, field::arc(c, c, kTrackRadius, panel::kKnobStartDeg, panel::kKnobRangeDeg, kTrackHalfWidth),
        flat(kTrack));
  const float sweep = panel::kKnobRangeDeg * value;
  if (sweep > 0) {
    const Field lit = field::arc(c, c, kTrackRadius, panel::kKnobStartDeg, sweep, kTrackHalfWidth);
    paint(image, kWhole, field::inset(lit, -0.6f), flat(panel::kCyan), 0.25f, 2.5f);
    paint(image, kWhole, lit, flat(panel::kCyan));
  }

  // Shadow, skirt, cap.
  paint(image, kWhole, field::circle(c, c + 1.8f, kSkirtRadius), flat(kBlack), 0.55f, 4);
  paint(image, kWhole, field::circle(c, c, kSkirtRadius), skirtShade);
  paint(image, kWhole, field::outline(field::circle(c, c, kSkirtRadius - 0.5f), 0.5f), flat(Rgb{18, 18, 22}), 0.7f);
  paint(image, kWhole, field::circle(c, c + 1, kCapRadius), flat(kBlack), 0.35f, 2.5f);
  paint(image, kWhole, field::circle(c, c, kCapRadius), capShade);
  // A bevel on the cap's rim: light above, shade below.
  paint(image, kWhole, field::outline(field::circle(c, c, kCapRadius - 0.6f), 0.6f),
        vertical(Rgb{190, 190, 202}, Rgb{40, 40, 46}, c - kCapRadius, c + kCapRadius), 0.55f);

  // The pointer, with a faint shadow so it reads on the light part of the cap.
  const float angle = (panel::kKnobStartDeg - sweep) * float(portable::kPi) / 180;
  const float dx = float(portable::cos(angle)), dy = -float(portable::sin(angle));
  const float inner = 6.5f, outer = kSkirtRadius - 2.5f;
  const Field pointer = field::segment(c + dx * inner, c + dy * inner, c + dx * outer, c + dy * outer, 1.3f);
  paint(image, kWhole, field::shifted(pointer, 0, 0.9f), flat(kBlack), 0.45f, 2);
  paint(image, kWhole, pointer, flat(kPointer));
  return image;
}

Image drawKnobStrip() {
  const int frames = panel::kKnobFrames;
  Image strip(panel::kKnobSize, panel::kKnobSize * frames, panel::kPanelGrey);
  for (int k = 0; k < frames; ++k) strip.paste(drawKnobFrame(float(k) / float(frames - 1)), 0, k * panel::kKnobSize);
  return strip;
}
