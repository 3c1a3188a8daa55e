#include "tests/win32/PanelImages.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace {

Picture flat(uint32_t colour, int scale = 1) {
    Picture p;
    p.width = 400 * scale;
    p.height = 290 * scale;
    p.pixels.assign(static_cast<size_t>(p.width) * p.height, colour);
    return p;
}
void set(Picture& p, int x, int y, uint32_t c) { p.pixels[static_cast<size_t>(y) * p.width + x] = c; }

}  // namespace

TEST(PanelImages, OnlyTheTextInsideTheLabelsMayDiffer) {
    const Picture reference = flat(0x42424A);
    Picture capture = reference;
    // Text pixels anywhere inside the five label interiors are not compared.
    set(capture, 51, 181, 0x73D6D6);
    set(capture, 349, 191, 0x73D6D6);
    set(capture, 101, 61, 0xFFFFFF);
    set(capture, 389, 82, 0xFFFFFF);
    set(capture, 235, 283, 0xFFFFFF);  // the strip's info line
    EXPECT_TRUE(comparePanels(capture, reference).empty());
    EXPECT_EQ(compareTextAreas(capture, reference).differing, 5);

    // The label outlines, the knobs, the button and the background are.
    set(capture, 50, 185, 1);    // left edge of value label 0
    set(capture, 390, 70, 1);    // right edge of the path label
    set(capture, 109, 179, 1);   // last pixel of knob 0
    set(capture, 110, 179, 1);   // just right of knob 0: background
    set(capture, 60, 70, 1);     // button
    set(capture, 60, 71, 1);
    set(capture, 200, 263, 1);   // the strip's waveform
    std::vector<RegionDifference> d = comparePanels(capture, reference);
    ASSERT_EQ(d.size(), 6u);
    EXPECT_EQ(d[0].region, "knob 0");
    EXPECT_EQ(d[1].region, "button");
    EXPECT_EQ(d[1].differing, 2);
    EXPECT_EQ(d[1].firstX, 60);
    EXPECT_EQ(d[1].firstY, 70);
    EXPECT_EQ(d[2].region, "value label 0 outline");
    EXPECT_EQ(d[3].region, "path label outline");
    EXPECT_EQ(d[4].region, "strip waveform");
    EXPECT_EQ(d[5].region, "background");

    // A panel shown twice as big: each pixel against the reference's under it.
    Picture doubled = flat(0x42424A, 2);
    set(doubled, 471, 567, 0xFFFFFF);  // the strip's info text
    EXPECT_TRUE(comparePanels(doubled, reference).empty());
    set(doubled, 401, 527, 1);
    d = comparePanels(doubled, reference);
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].region, "strip waveform");
    EXPECT_EQ(d[0].firstX, 401);
    // Two captures both twice as big, pixel for pixel.
    d = comparePanels(doubled, flat(0x42424A, 2));
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].region, "strip waveform");

    Picture small = flat(0);
    small.width = 399;
    small.pixels.resize(399 * 290);
    ASSERT_EQ(comparePanels(small, reference).size(), 1u);
    EXPECT_EQ(comparePanels(small, reference)[0].region, "size");
}

TEST(PanelImages, BmpRowsAndPngRoundTrip) {
    // A 2 x 2 24-bit bottom-up BMP as the test host writes it.
    const unsigned char file[] = {
        'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0,
        0, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        // bottom row: blue, green, red order, padded to 8 bytes
        0x03, 0x02, 0x01, 0x06, 0x05, 0x04, 0, 0,
        // top row
        0x33, 0x22, 0x11, 0x66, 0x55, 0x44, 0, 0};
    const std::string bmp = ::testing::TempDir() + "panel-images.bmp";
    std::ofstream(bmp, std::ios::binary).write(reinterpret_cast<const char*>(file), sizeof file);
    Picture p;
    std::string error;
    ASSERT_TRUE(readBmp(bmp, p, error)) << error;
    EXPECT_EQ(p.pixels, (std::vector<uint32_t>{0x112233, 0x445566, 0x010203, 0x040506}));

    const std::string png = ::testing::TempDir() + "panel-images.png";
    ASSERT_TRUE(writePng(png, p));
    Picture back;
    ASSERT_TRUE(readPng(png, back, error)) << error;
    EXPECT_EQ(back.pixels, p.pixels);
    EXPECT_FALSE(readBmp(png, back, error));
    std::remove(bmp.c_str());
    std::remove(png.c_str());
}
