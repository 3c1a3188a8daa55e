// How the backing images' 0x00RRGGBB pixels become pixel values of a
// window's visual.
#pragma once

#include <cstdint>

namespace x11 {

struct ChannelMasks {
    unsigned long red = 0;
    unsigned long green = 0;
    unsigned long blue = 0;
};

// The pixel value of the visual for the colour (8 bits a channel, scaled to
// the width of each mask).
unsigned long packPixel(uint32_t rgb, const ChannelMasks& masks);

// Whether images can be sent as they are: 32 bits a pixel with the channels
// where the backing images keep them.
bool isImageLayout(const ChannelMasks& masks, int bitsPerPixel);

}  // namespace x11
