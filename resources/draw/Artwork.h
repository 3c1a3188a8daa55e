#pragma once

#include "resources/draw/Image.h"
#include "resources/draw/Text.h"

// The three images of the panel, painted in full colour; quantising and
// writing them is the caller's business.

// Film strip of 61 knob frames, 60 x 60 each, stacked top to bottom.
Image drawKnobStrip();
// One knob frame for a value of 0..1.
Image drawKnobFrame(float value);
// The load button: released state above, pressed state below, 80 x 25 each.
Image drawButton(Fonts& fonts);
// The 400 x 200 panel background.
Image drawBackground(Fonts& fonts);
