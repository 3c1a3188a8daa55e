// Single-line text: the face lookup, placement in the box (vertically
// centred; left, centre or right), clipping, and opaque cells.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/Platform.h"
#include "platform/headless/HeadlessControl.h"
#include "platform/raster/RasterObjects.h"

using namespace platform;

namespace {

constexpr uint32_t white = 0xFFFFFF;

struct InkBox {
    int32_t left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;  // inclusive
    bool any() const { return right >= 0; }
};

class TextDrawing : public ::testing::Test {
protected:
    void SetUp() override {
        headless::reset();
        target.resize(200, 40, white);
        surface = raster::createTargetSurface(&target, Bounds{0, 0, 200, 40});
        font = createFont(arial(-12, 400));
        builtInFont = selectFont(surface, font);
        setTextColor(surface, colorRef(0, 0, 0));
        setBackgroundMode(surface, backgroundTransparent);
    }
    void TearDown() override {
        selectFont(surface, builtInFont);
        deleteFont(font);
        raster::destroyTargetSurface(surface);
        EXPECT_EQ(raster::invalidHandleUses(), 0);
        headless::reset();
    }

    static FontAttributes arial(int32_t height, int32_t weight) {
        FontAttributes a;
        a.height = height;
        a.weight = weight;
        a.pitchAndFamily = 0x22;
        std::strcpy(a.faceName, "Arial");
        return a;
    }

    InkBox ink(uint32_t background = white) const {
        InkBox box;
        for (int32_t y = 0; y < target.height; ++y)
            for (int32_t x = 0; x < target.width; ++x)
                if (target.at(x, y) != background) {
                    box.left = std::min(box.left, x);
                    box.right = std::max(box.right, x);
                    box.top = std::min(box.top, y);
                    box.bottom = std::max(box.bottom, y);
                }
        return box;
    }

    raster::PixelImage target;
    SurfaceHandle surface = nullptr;
    FontHandle font = nullptr;
    FontHandle builtInFont = nullptr;
};

}  // namespace

TEST_F(TextDrawing, ArialResolvesToItsMetricTwin) {
    EXPECT_NE(raster::fontFaceDescription(font).find("Liberation Sans"), std::string::npos)
        << raster::fontFaceDescription(font);
    FontHandle bold = createFont(arial(-12, 700));
    EXPECT_NE(raster::fontFaceDescription(bold).find("Bold"), std::string::npos);
    FontAttributes attributes;
    ASSERT_TRUE(raster::fontDetails(bold, attributes));
    EXPECT_EQ(attributes.height, -12);
    EXPECT_STREQ(attributes.faceName, "Arial");
    deleteFont(bold);
}

TEST_F(TextDrawing, PlacementFollowsTheFormat) {
    const Bounds box{10, 5, 190, 35};
    drawText(surface, "Speed", box, textLeft);
    InkBox left = ink();
    ASSERT_TRUE(left.any());
    EXPECT_GE(left.left, 10);
    EXPECT_LE(left.left, 12);
    // Vertically centred: the capital's middle sits near the box's middle.
    EXPECT_NEAR((left.top + left.bottom) / 2.0, 20.0, 3.0);
    const int32_t width = left.right - left.left;

    target.resize(200, 40, white);
    drawText(surface, "Speed", box, textCenter);
    InkBox centre = ink();
    EXPECT_NEAR((centre.left + centre.right) / 2.0, 100.0, 2.0);
    EXPECT_EQ(centre.right - centre.left, width);
    EXPECT_EQ(centre.top, left.top);

    target.resize(200, 40, white);
    drawText(surface, "Speed", box, textRight);
    InkBox right = ink();
    EXPECT_LE(right.right, 189);
    EXPECT_GE(right.right, 186);
}

TEST_F(TextDrawing, TextIsClippedToItsBox) {
    drawText(surface, "A rather long line of text", Bounds{20, 12, 60, 28}, textLeft);
    InkBox box = ink();
    ASSERT_TRUE(box.any());
    EXPECT_GE(box.left, 20);
    EXPECT_LE(box.right, 59);
    EXPECT_GE(box.top, 12);
    EXPECT_LE(box.bottom, 27);
    target.resize(200, 40, white);
    drawText(surface, "", Bounds{0, 0, 200, 40}, textLeft);
    EXPECT_FALSE(ink().any());
}

TEST_F(TextDrawing, OpaqueModeFillsTheCells) {
    setBackgroundColor(surface, colorRef(255, 0, 0));
    drawText(surface, "ii", Bounds{0, 0, 200, 40}, textLeft);
    int32_t red = 0;
    for (uint32_t p : target.pixels)
        red += p == 0xFF0000;
    EXPECT_EQ(red, 0);  // transparent: no cells

    setBackgroundMode(surface, backgroundOpaque);
    drawText(surface, "ii", Bounds{0, 0, 200, 40}, textLeft);
    for (uint32_t p : target.pixels)
        red += p == 0xFF0000;
    EXPECT_GT(red, 20);
    // The cells stay within the text's own extent.
    InkBox cells = ink();
    EXPECT_EQ(cells.left, 0);
    EXPECT_LT(cells.right, 20);
}
