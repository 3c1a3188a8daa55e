#pragma once

#include <cstdint>
#include <vector>

#include "resources/draw/Image.h"
#include "resources/draw/Text.h"

// The panel roughly as the editor shows it, for looking at the artwork in
// place: the background with the knobs at a few values, the button and the
// editor's text displays laid over it.
Image drawPanelPreview(Fonts& fonts, const std::vector<uint32_t>& knobStrip, const std::vector<uint32_t>& button,
                       const std::vector<uint32_t>& background);
