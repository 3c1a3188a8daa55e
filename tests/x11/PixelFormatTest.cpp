// Backing-image pixels as pixel values of other visuals.
#include <gtest/gtest.h>

#include "platform/x11/PixelFormat.h"

namespace {

TEST(PixelFormat, ChannelsGoWhereTheVisualKeepsThemAtItsDepth) {
    const x11::ChannelMasks rgb888{0xFF0000, 0x00FF00, 0x0000FF};
    const x11::ChannelMasks bgr888{0x0000FF, 0x00FF00, 0xFF0000};
    const x11::ChannelMasks rgb565{0xF800, 0x07E0, 0x001F};
    const x11::ChannelMasks rgb101010{0x3FF00000, 0x000FFC00, 0x000003FF};
    EXPECT_EQ(x11::packPixel(0x123456, rgb888), 0x123456ul);
    EXPECT_EQ(x11::packPixel(0x123456, bgr888), 0x563412ul);
    EXPECT_EQ(x11::packPixel(0xFFFFFF, rgb565), 0xFFFFul);
    EXPECT_EQ(x11::packPixel(0xFF0000, rgb565), 0xF800ul);
    EXPECT_EQ(x11::packPixel(0x0800FF, rgb565), 0x081Ful);
    EXPECT_EQ(x11::packPixel(0xFF0001, rgb101010), 0x3FC00004ul);

    EXPECT_TRUE(x11::isImageLayout(rgb888, 32));
    EXPECT_FALSE(x11::isImageLayout(rgb888, 24)) << "three bytes a pixel is another layout";
    EXPECT_FALSE(x11::isImageLayout(bgr888, 32));
    EXPECT_FALSE(x11::isImageLayout(rgb565, 16));
}

}  // namespace
