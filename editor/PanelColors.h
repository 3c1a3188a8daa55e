#pragma once
// The colours of the panel's text displays.

#include "gui/Color.h"

inline constexpr Color displayFontColor{115, 214, 214, 0};
inline constexpr Color displayFrameColor{96, 96, 128, 0};
// A sample the program names but that could be found nowhere.
inline constexpr Color missingFontColor{255, 150, 60, 0};
