#include "platform/x11/PixelFormat.h"

#include <bit>

namespace x11 {

namespace {

unsigned long packChannel(uint32_t value8, unsigned long mask) {
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    const unsigned long scaled = bits <= 8 ? value8 >> (8 - bits) : static_cast<unsigned long>(value8) << (bits - 8);
    return (scaled << shift) & mask;
}

}  // namespace

unsigned long packPixel(uint32_t rgb, const ChannelMasks& masks) {
    return packChannel((rgb >> 16) & 0xFFu, masks.red) | packChannel((rgb >> 8) & 0xFFu, masks.green) |
           packChannel(rgb & 0xFFu, masks.blue);
}

bool isImageLayout(const ChannelMasks& masks, int bitsPerPixel) {
    return bitsPerPixel == 32 && masks.red == 0xFF0000ul && masks.green == 0x00FF00ul && masks.blue == 0x0000FFul;
}

}  // namespace x11
