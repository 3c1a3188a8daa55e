// The pixels each primitive touches, including the edges that differ
// between "outline" and "area" readings of a rectangle.
#include <gtest/gtest.h>

#include "platform/raster/Rasterizer.h"

using platform::Bounds;
using raster::PixelImage;

namespace {

constexpr uint32_t ink = 0x00FF0000;
constexpr Bounds everywhere{-1000, -1000, 1000, 1000};

PixelImage blank(int32_t w, int32_t h) {
    PixelImage image;
    image.resize(w, h, 0);
    return image;
}

int32_t inked(const PixelImage& image) {
    int32_t count = 0;
    for (uint32_t p : image.pixels)
        count += p == ink;
    return count;
}

}  // namespace

TEST(RasterRules, LinesLeaveOutTheirEndPoint) {
    PixelImage image = blank(40, 40);
    raster::drawLine(image, everywhere, 2, 5, 12, 5, 1, ink);
    EXPECT_EQ(image.at(2, 5), ink);
    EXPECT_EQ(image.at(11, 5), ink);
    EXPECT_EQ(image.at(12, 5), 0u);
    EXPECT_EQ(inked(image), 10);

    // Backwards and vertical lines leave out their end point too.
    image = blank(40, 40);
    raster::drawLine(image, everywhere, 12, 8, 2, 8, 1, ink);
    EXPECT_EQ(image.at(12, 8), ink);
    EXPECT_EQ(image.at(2, 8), 0u);
    raster::drawLine(image, everywhere, 20, 30, 20, 20, 1, ink);
    EXPECT_EQ(image.at(20, 30), ink);
    EXPECT_EQ(image.at(20, 20), 0u);

    // A diagonal steps once per pixel; a zero-length line draws nothing.
    image = blank(40, 40);
    raster::drawLine(image, everywhere, 0, 0, 10, 10, 1, ink);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(image.at(i, i), ink) << i;
    EXPECT_EQ(inked(image), 10);
    image = blank(40, 40);
    raster::drawLine(image, everywhere, 5, 5, 5, 5, 1, ink);
    EXPECT_EQ(inked(image), 0);
}

TEST(RasterRules, WidePenAndClipping) {
    PixelImage image = blank(40, 40);
    raster::drawLine(image, everywhere, 10, 10, 20, 10, 3, ink);
    EXPECT_EQ(image.at(10, 9), ink);
    EXPECT_EQ(image.at(10, 11), ink);
    EXPECT_EQ(image.at(10, 12), 0u);

    // Clipped at the box and at the image edge; nothing outside is written.
    image = blank(40, 40);
    const Bounds touched = raster::drawLine(image, Bounds{0, 0, 15, 40}, -30, 3, 60, 3, 1, ink);
    EXPECT_EQ(inked(image), 15);
    EXPECT_EQ(touched.left, 0);
    EXPECT_EQ(touched.right, 15);
}

TEST(RasterRules, FillsAreRightAndBottomExclusive) {
    PixelImage image = blank(30, 30);
    const Bounds touched = raster::fillArea(image, everywhere, Bounds{11, 11, 20, 20}, ink);
    EXPECT_EQ(image.at(11, 11), ink);
    EXPECT_EQ(image.at(19, 19), ink);
    EXPECT_EQ(image.at(20, 19), 0u);
    EXPECT_EQ(image.at(19, 20), 0u);
    EXPECT_EQ(image.at(10, 11), 0u);
    EXPECT_EQ(inked(image), 81);
    EXPECT_EQ(touched.right, 20);

    // Empty and inverted areas fill nothing; areas off the image are cut.
    image = blank(30, 30);
    raster::fillArea(image, everywhere, Bounds{5, 5, 5, 10}, ink);
    raster::fillArea(image, everywhere, Bounds{9, 9, 4, 4}, ink);
    EXPECT_EQ(inked(image), 0);
    raster::fillArea(image, everywhere, Bounds{-5, -5, 2, 2}, ink);
    EXPECT_EQ(inked(image), 4);
}

TEST(RasterRules, BlockCopyTakesTheSourceOffset) {
    // A 6 x 40 source whose pixel value encodes its row.
    PixelImage source = blank(6, 40);
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 6; ++x)
            source.at(x, y) = static_cast<uint32_t>(y * 100 + x);
    PixelImage target = blank(20, 20);
    raster::copyPixels(target, everywhere, 5, 7, 6, 6, source, 0, 18);
    EXPECT_EQ(target.at(5, 7), 1800u);
    EXPECT_EQ(target.at(10, 12), 2305u);
    EXPECT_EQ(target.at(11, 7), 0u);
    EXPECT_EQ(target.at(5, 13), 0u);

    // A block reaching past the source copies only what the source has.
    target = blank(20, 20);
    const Bounds touched = raster::copyPixels(target, everywhere, 0, 0, 10, 10, source, 2, 36);
    EXPECT_EQ(touched.right, 4);
    EXPECT_EQ(touched.bottom, 4);
    EXPECT_EQ(target.at(0, 0), 3602u);
    EXPECT_EQ(target.at(4, 0), 0u);

    // Overlapping copies within one image behave as if through a buffer.
    PixelImage strip = blank(10, 1);
    for (int32_t x = 0; x < 10; ++x)
        strip.at(x, 0) = static_cast<uint32_t>(x + 1);
    raster::copyPixels(strip, everywhere, 2, 0, 6, 1, strip, 0, 0);
    EXPECT_EQ(strip.at(2, 0), 1u);
    EXPECT_EQ(strip.at(7, 0), 6u);
}
