#pragma once

#include "resources/draw/Image.h"

// Where the editor puts its views on the 400 x 200 panel; the artwork is
// drawn to fit them.
namespace panel {

constexpr int kWidth = 400;
constexpr int kHeight = 200;

constexpr int kKnobCount = 4;
constexpr int kKnobSize = 60;    // one film frame, and the knob view
constexpr int kKnobFrames = 61;  // frame k shows the values k/60 up to (k+1)/60
constexpr int kKnobTop = 120;
constexpr int knobLeft(int i) { return 50 + 80 * i; }
// The knob turns clockwise through 270 degrees: from 225 degrees (lower left,
// counter-clockwise from the positive x axis) over the top to -45 degrees.
constexpr float kKnobStartDeg = 225;
constexpr float kKnobRangeDeg = 270;

constexpr int kValueLabelTop = 180;  // the editor's value displays, 12 rows
constexpr int kValueLabelBottom = 192;

constexpr int kButtonLeft = 10, kButtonTop = 60;
constexpr int kButtonWidth = 80, kButtonHeight = 25;  // one state; two states stacked

constexpr int kPathLeft = 100, kPathTop = 60, kPathRight = 390, kPathBottom = 83;

constexpr Rgb kPanelGrey{66, 66, 74};
constexpr Rgb kCyan{115, 214, 214};  // the editor's text colour

inline const char* const kCaptions[kKnobCount] = {"Speed", "Length", "Density", "Random"};

}  // namespace panel
