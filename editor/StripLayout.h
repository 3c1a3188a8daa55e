#pragma once
// The sample strip under the 400 by 200 panel: where its parts lie and the
// colours it draws in, in one place. Panel pixels, Rect convention.

#include <cstdint>

#include "gui/Color.h"
#include "gui/Geometry.h"

namespace strip {

constexpr int32_t width = 400;
constexpr int32_t top = 200;  // the panel above keeps rows 0 to 199
constexpr int32_t bottom = 290;

// The framed box with the waveform, one lane per channel, and the grains.
inline const Rect waveBox{10, 206, 390, 264};
// The sample's name and particulars, or why there is none.
inline const Rect infoLabel{10, 270, 236, 284};
// The "Keep samples in project" box and its title.
inline const Rect keepBox{246, 271, 390, 284};

inline constexpr Color backgroundColor{66, 66, 74, 0};  // the panel's grey
inline constexpr Color boxColor{0, 0, 0, 0};
inline constexpr Color waveColor{40, 104, 112, 0};
inline constexpr Color scatterColor{34, 40, 70, 0};
inline constexpr Color startColor{115, 214, 214, 0};
inline constexpr Color brightestGrainColor{235, 255, 255, 0};

}  // namespace strip
