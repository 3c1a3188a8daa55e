// The rule that enlarges the panel on high-resolution screens: which scale a
// screen gets, how window positions map back to panel pixels, and that the
// unscaled picture is the panel's own, pixel for pixel.
#include "platform/raster/PanelScale.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

raster::PixelImage numbered(int32_t width, int32_t height) {
    raster::PixelImage image;
    image.resize(width, height, 0);
    for (size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = static_cast<uint32_t>(i * 7919u) & 0xFFFFFFu;
    return image;
}

}  // namespace

TEST(PanelScale, ScreensGetOneOneAndAHalfOrTwo) {
    EXPECT_EQ(panelscale::fromDpi(0), 100);
    EXPECT_EQ(panelscale::fromDpi(96), 100);
    EXPECT_EQ(panelscale::fromDpi(119.9), 100);
    EXPECT_EQ(panelscale::fromDpi(120), 150);
    EXPECT_EQ(panelscale::fromDpi(144), 150);
    EXPECT_EQ(panelscale::fromDpi(168), 200);
    EXPECT_EQ(panelscale::fromDpi(192), 200);
    EXPECT_EQ(panelscale::fromDpi(384), 200);
    EXPECT_EQ(panelscale::fromFactor(1), 100);
    EXPECT_EQ(panelscale::fromFactor(2), 200);
    EXPECT_EQ(panelscale::fromFactor(3), 200);

    EXPECT_EQ(panelscale::fromResources(nullptr), 0);
    EXPECT_EQ(panelscale::fromResources("Xft.antialias:\t1\nXft.hinting:\t1\n"), 0);
    EXPECT_EQ(panelscale::fromResources("Xft.antialias:\t1\nXft.dpi:\t192\nXft.rgba:\trgb\n"), 200);
    EXPECT_EQ(panelscale::fromResources("Xft.dpi:\t144"), 150);
    EXPECT_EQ(panelscale::fromResources("Xft.dpi:\tlarge\n"), 0);
    EXPECT_EQ(panelscale::fromResources("MyXft.dpi:\t192\n"), 0);
}

TEST(PanelScale, WindowPositionsMapBackToThePanelPixelShown) {
    EXPECT_EQ(panelscale::toWindow(400, 200), 800);
    EXPECT_EQ(panelscale::toWindow(200, 150), 300);
    EXPECT_EQ(panelscale::toWindow(401, 150), 602);  // rounded up: nothing cut off
    for (int32_t scale : {100, 150, 200}) {
        for (int32_t x = -4; x < 900; ++x) {
            const int32_t panel = panelscale::toPanel(x, scale);
            // The window pixel lies inside the window area showing that panel pixel.
            const platform::Bounds shown = panelscale::toWindowArea(platform::Bounds{panel, 0, panel + 1, 1}, scale);
            EXPECT_GE(x, shown.left) << scale << " " << x;
            EXPECT_LT(x, shown.right) << scale << " " << x;
        }
    }
    EXPECT_EQ(panelscale::toPanel(799, 200), 399);
    EXPECT_EQ(panelscale::toPanel(-1, 200), -1);
    EXPECT_EQ(panelscale::toPanel(4, 150), 2);
    // An exposure of window pixels needs every panel pixel those show.
    const platform::Bounds exposed = panelscale::toPanelArea(platform::Bounds{1, 3, 4, 9}, 150);
    EXPECT_EQ(exposed.left, 0);
    EXPECT_EQ(exposed.top, 2);
    EXPECT_EQ(exposed.right, 3);
    EXPECT_EQ(exposed.bottom, 6);
    const platform::Bounds same = panelscale::toPanelArea(platform::Bounds{5, 6, 50, 60}, 100);
    EXPECT_EQ(same.left, 5);
    EXPECT_EQ(same.top, 6);
    EXPECT_EQ(same.right, 50);
    EXPECT_EQ(same.bottom, 60);
}

TEST(PanelScale, UnscaledPictureIsThePanelsOwnAndTwiceRepeatsEachPixel) {
    const raster::PixelImage panel = numbered(40, 20);
    std::vector<uint32_t> same(panel.pixels.size());
    panelscale::enlarge(panel, platform::Bounds{0, 0, 40, 20}, 100, same.data());
    EXPECT_EQ(same, panel.pixels);

    const platform::Bounds area{10, 6, 30, 16};  // window pixels
    std::vector<uint32_t> twice(20 * 10);
    panelscale::enlarge(panel, area, 200, twice.data());
    for (int32_t y = area.top; y < area.bottom; ++y) {
        for (int32_t x = area.left; x < area.right; ++x)
            ASSERT_EQ(twice[static_cast<size_t>(y - area.top) * 20 + (x - area.left)], panel.at(x / 2, y / 2))
                << x << " " << y;
    }

    // One and a half: every panel pixel is shown, none out of order.
    std::vector<uint32_t> row(60);
    panelscale::enlarge(panel, platform::Bounds{0, 0, 60, 1}, 150, row.data());
    size_t column = 0;
    for (int32_t x = 0; x < 40; ++x) {
        ASSERT_LT(column, row.size());
        EXPECT_EQ(row[column], panel.at(x, 0)) << x;
        while (column < row.size() && row[column] == panel.at(x, 0))
            ++column;
    }
    EXPECT_EQ(column, row.size());
}
